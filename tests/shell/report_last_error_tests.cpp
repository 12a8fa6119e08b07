#include "shell/app_state.h"

#include "support/message_boxes.h"

#include <gtest/gtest.h>

TEST(ReportLastError, ShowsTheSystemTextUnderErrorWithTheInformationIcon)
{
    MessageBoxAnswerer boxes;
    SetLastError(ERROR_FILE_NOT_FOUND);
    ReportLastError();
    ASSERT_EQ(1u, boxes.Count());
    const ShownMessageBox& box = boxes.Shown()[0];
    EXPECT_EQ(L"Error", box.caption);

    wchar_t* expected = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&expected), 0,
                   nullptr);
    ASSERT_NE(nullptr, expected);
    std::wstring systemText = expected;
    LocalFree(expected);
    // The box may trim the text's closing line break.
    while (!systemText.empty() && (systemText.back() == L'\n' || systemText.back() == L'\r'))
        systemText.pop_back();
    EXPECT_EQ(0u, box.text.find(systemText)) << std::string(box.text.begin(), box.text.end());

    EXPECT_EQ(InformationIcon(), box.icon) << "style 0x40: the information icon";
    EXPECT_FALSE(box.hasCancel) << "one OK button";
    EXPECT_EQ(nullptr, box.owner) << "the box has no owner";
}

TEST(ReportLastError, EachCallShowsItsOwnBox)
{
    MessageBoxAnswerer boxes;
    SetLastError(ERROR_ACCESS_DENIED);
    ReportLastError();
    SetLastError(ERROR_ALREADY_EXISTS);
    ReportLastError();
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_NE(boxes.Shown()[0].text, boxes.Shown()[1].text);
    EXPECT_EQ(L"Error", boxes.Shown()[1].caption);
}

TEST(ReportLastError, ACodeWithoutSystemTextIsNamedNotLeftBlank)
{
    MessageBoxAnswerer boxes;
    SetLastError(0x2FFFFFFF);
    ReportLastError();
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_NE(std::wstring::npos, boxes.Shown()[0].text.find(L"0x2FFFFFFF"))
        << std::string(boxes.Shown()[0].text.begin(), boxes.Shown()[0].text.end());
}
