#include "tree/note_tree.h"

bool IconList::Create(int32_t newImageWidth, int32_t newImageHeight, uint32_t newFlags,
                      int32_t newInitialCount, int32_t newGrowthCount)
{
    imageWidth = newImageWidth;
    imageHeight = newImageHeight;
    flags = newFlags;
    initialCount = newInitialCount;
    growthCount = newGrowthCount;
    list = ImageList_Create(imageWidth, imageHeight, flags, initialCount, growthCount);
    return list != nullptr;
}

int IconList::AddIcon(HBITMAP bitmap, HBITMAP mask)
{
    return ImageList_Add(list, bitmap, mask);
}
