// Driving the configuration dialog of a running Flickvane.scr from the test process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {

// A UTF-16 text in the ANSI code page (the dialog's item texts are ANSI).
std::string Ansi(const wchar_t* text);
std::wstring WideWindowText(HWND window);

// Memory inside the dialog's process, for messages that carry pointers.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    void* Address() const { return address_; }
    bool Write(const void* data, size_t size, size_t offset = 0);
    bool Read(void* data, size_t size, size_t offset = 0) const;

private:
    HANDLE process_;
    void* address_;
};

// The dialog of a started Flickvane.scr.
struct ConfigDialog {
    HANDLE process = nullptr;
    HWND dialog = nullptr;
    HWND list = nullptr;

    HWND Control(int id) const { return GetDlgItem(dialog, id); }
    int ItemCount() const;
    std::vector<std::string> Items() const;
    std::vector<int> Selected() const;
    int SelectionMark() const;
    // Selects exactly the given items (window messages).
    void Select(const std::vector<int>& indices) const;
    bool Checked(int id) const;
    int TrackbarPosition() const;
    // Real input: a left click in the middle of a control.
    void Click(int id) const;
    // Real input: a click on the text of list item index.
    void ClickItem(int index, bool right = false) const;
    RECT ItemRect(int index) const;
    // A top-level window of the dialog's process other than the dialog itself.
    HWND WaitForOtherWindow(const char* className, DWORD timeoutMs) const;
    // Drops the paths onto the dialog as the shell would (a drop block in its process).
    // onto the list view when onList, else onto the dialog.
    bool DropPaths(const std::vector<std::string>& paths, bool onList = false) const;
    bool DropPaths(const std::vector<std::wstring>& paths, bool onList = false) const;
};

// Starts the saver with the command line and waits for its dialog.
bool OpenConfigDialog(SaverProcess& saver, const std::string& arguments, ConfigDialog* config);
// Real input: clicks the dialog's button and waits for its process to end with code 0.
bool ClickAndWaitForExit(SaverProcess& saver, const ConfigDialog& config, int id);

// The message of a message box: the texts of its static controls.
std::wstring MessageBoxText(HWND box);
// Real input: clicks the box's button and waits for the box to close.
bool AnswerMessageBox(HWND box, int button);

// Real input: types text as characters, whatever the keyboard layout.
void TypeText(const std::wstring& text);
void PressKeyWith(WORD modifier, WORD vk);

// The key=value lines of a settings file (the Windows folder one by default), without the
// section header.
std::vector<std::string> SettingsLines(const std::string& path = SettingsPath());

// Has the Wine X11 driver draw window captions itself, so that the close box exists without
// a window manager. Affects processes started afterwards.
void UseWineDrawnCaptions();

} // namespace e2e
