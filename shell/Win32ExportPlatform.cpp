#include "shell/Win32ExportPlatform.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdlib>

#include "export/ShiftJisText.h"
#include "platform/LocalClock.h"
#include "dialogs/DialogLogic.h"
#include "dialogs/ExportFormatDialog_win.h"
#include "dialogs/ExportReportText.h"
#include "dialogs/FolderBrowser_win.h"
#include "dialogs/OverwriteDialog_win.h"
#include "dialogs/ProgressTiming.h"
#include "dialogs/ResourceModule_win.h"
#include "shell/Win32ExportProgress.h"

namespace tessera {

namespace {

// "エラー"
const char kErrorCaption[] = "\x83G\x83\x89\x81[";
// Overrides the delay, for benchmarks that compare an export with and without the window.
const char kProgressDelayVariable[] = "TESSERA_PROGRESS_DELAY_MS";

class Win32OutputFile : public OutputFile {
public:
    explicit Win32OutputFile(HANDLE handle) : handle_(handle) {}
    ~Win32OutputFile() override { CloseHandle(handle_); }
    bool Write(const char* data, size_t size) override {
        while (size > 0) {
            DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!WriteFile(handle_, data, chunk, &written, nullptr) || written != chunk) return false;
            data += chunk;
            size -= chunk;
        }
        return true;
    }

private:
    HANDLE handle_;
};

DWORD ProgressDelayMs() {
    char value[16] = {};
    DWORD length = GetEnvironmentVariableA(kProgressDelayVariable, value, sizeof value);
    if (length == 0 || length >= sizeof value) return kProgressDelayMs;
    char* end = nullptr;
    unsigned long delay = std::strtoul(value, &end, 10);
    return end != value && *end == '\0' ? static_cast<DWORD>(delay) : kProgressDelayMs;
}

HWND OwnerOrActive(HostWindow owner) {
    return owner ? static_cast<HWND>(owner) : GetActiveWindow();
}

// The hook leaves every notification to the system.
UINT_PTR CALLBACK SaveDialogHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace

int Win32ExportPlatform::RunFormatDialog(ExportFormat& format) {
    ExportFormatDialog dialog(format.SaveType, format.Convert, format.Separator, format.NoAttach);
    INT_PTR result = dialog.Run(GetActiveWindow());
    if (result == IDCANCEL) return IDCANCEL;
    format.SaveType = dialog.SaveType;
    format.Convert = dialog.Convert;
    format.Separator = dialog.Separator;
    format.NoAttach = dialog.NoAttach;
    return static_cast<int>(result);
}

bool Win32ExportPlatform::ChooseSaveFile(HostWindow owner, const std::string& initialFolder,
                                         std::string& path) {
    char file[MAX_PATH] = {};
    char title[256] = {};
    // "Text File(*.txt)", "*.txt", "全てのファイル(*.*)", "*.*"
    static const char kFilter[] =
        "Text File(*.txt)\0*.txt\0\x91S\x82\xC4\x82\xCC\x83t\x83@\x83" "C\x83\x8B(*.*)\0*.*\0";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = OwnerOrActive(owner);
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrInitialDir = initialFolder.c_str();
    ofn.lpstrDefExt = "txt";
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLEHOOK;
    ofn.lpfnHook = SaveDialogHook;
    if (!GetSaveFileNameA(&ofn)) return false;
    path = file;
    return true;
}

int Win32ExportPlatform::AskOverwrite(const std::string& path) {
    OverwriteDialog dialog(path);
    return static_cast<int>(dialog.Run(GetActiveWindow()) & 0xFFFF);
}

bool Win32ExportPlatform::BrowseFolder(HostWindow owner, const std::string& initialFolder,
                                       std::string& folder) {
    // The start folder is read into a MAX_PATH buffer: a longer stored path is cut.
    std::string start = CutToCharacters(initialFolder, MAX_PATH - 1);
    return BrowseForFolder(OwnerOrActive(owner), start, folder);
}

void Win32ExportPlatform::ShowMessage(HostWindow owner, int textId) {
    std::string text = LoadText(textId);
    MessageBoxA(static_cast<HWND>(owner), text.c_str(), kErrorCaption, MB_OK | MB_ICONWARNING);
}

std::unique_ptr<ExportProgress> Win32ExportPlatform::StartProgress(
    HostWindow owner, std::function<int()> countSelection) {
    return std::make_unique<Win32ExportProgress>(
        static_cast<HWND>(owner), std::move(countSelection), ProgressDelayMs(), stopRequested_);
}

void Win32ExportPlatform::ShowReport(HostWindow owner, const ExportReport& report) {
    ReportMessage message = ComposeReport(report, LoadText);
    std::string caption = message.kind == ReportKind::Error ? std::string(kErrorCaption)
                          : message.kind == ReportKind::Cancelled
                              ? LoadText(IDS_REPORT_CANCELLED_CAPTION)
                              : LoadText(IDS_REPORT_DONE_CAPTION);
    HWND window = static_cast<HWND>(owner);
    UINT icon = message.warning ? MB_ICONWARNING : MB_ICONINFORMATION;
    MessageBoxA(IsWindow(window) ? window : nullptr, message.text.c_str(), caption.c_str(),
                MB_OK | icon);
}

bool Win32ExportPlatform::FileExists(const std::string& path) {
    return PathFileExistsA(path.c_str()) != FALSE;
}

bool Win32ExportPlatform::RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != FALSE;
}

OpenStatus Win32ExportPlatform::OpenForAppend(const std::string& path,
                                              std::unique_ptr<OutputFile>& file) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return OpenStatus::OpenFailed;
    file = std::make_unique<Win32OutputFile>(handle);
    LONG high = 0;
    DWORD low = SetFilePointer(handle, 0, &high, FILE_END);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return OpenStatus::SeekFailed;
    return OpenStatus::Opened;
}

std::unique_ptr<OutputFile> Win32ExportPlatform::CreateTruncated(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32OutputFile>(handle);
}

size_t Win32ExportPlatform::MaxPathBytes() const { return MAX_PATH - 1; }

CalendarTime Win32ExportPlatform::LocalNow() { return tessera::LocalNow(); }

}  // namespace tessera
