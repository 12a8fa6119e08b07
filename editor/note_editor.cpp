#include "editor/note_editor.h"

NoteEditor noteEditor;

NoteEditor::NoteEditor()
    : className(L"edit"), text{}, style(0x52011004), designX(0), designY(0), x(0), y(0),
      designWidth(0), designHeight(0), width(0), height(0), parent(nullptr), control(nullptr),
      instance(nullptr), controlId(0), designSpaceWidth(240), designSpaceHeight(268),
      modified(false), readOnlyNote(false)
{
}

HWND NoteEditor::Create(int, int, int, int, HWND, int, HINSTANCE, const wchar_t*) { return nullptr; }
void NoteEditor::Layout(int, int) {}
void NoteEditor::SetDesignSize(int, int) {}
void NoteEditor::Show(int) {}
void NoteEditor::Focus() {}
void NoteEditor::OnCommand(int, int) {}
void NoteEditor::Clear() {}
void NoteEditor::Cut() {}
void NoteEditor::Copy() {}
void NoteEditor::Paste() {}
void NoteEditor::Undo() {}
void NoteEditor::LoadNote(const wchar_t*) {}
bool NoteEditor::SaveNote(const wchar_t*) { return false; }
bool NoteEditor::CreateNote(const wchar_t*) { return false; }

LRESULT CALLBACK EditControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}
