#include "shell/Win32ExportPlatform.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>

#include "dialogs/DialogLogic.h"
#include "dialogs/ExportFormatDialog_win.h"
#include "dialogs/ExportReportText.h"
#include "dialogs/FolderBrowser_win.h"
#include "dialogs/OverwriteDialog_win.h"
#include "dialogs/ProgressTiming.h"
#include "dialogs/ResourceModule_win.h"
#include "export/text/ShiftJisText.h"
#include "platform/LocalClock.h"
#include "shell/Win32ExportProgress.h"

namespace tessera {

namespace {

// "エラー"
const char kErrorCaption[] = "\x83G\x83\x89\x81[";
// Overrides the delay, for benchmarks that compare an export with and without the window.
const char kProgressDelayVariable[] = "TESSERA_PROGRESS_DELAY_MS";

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
    return ShowExportFormatDialog(GetActiveWindow(), format);
}

bool Win32ExportPlatform::ChooseSaveFile(HostWindow owner, const std::string& initialFolder,
                                         std::string& path) {
    char file[MAX_PATH] = {};
    char title[256] = {};
    // "Text File(*.txt)", "*.txt", "全てのファイル(*.*)", "*.*"
    static const char kFilter[] =
        "Text File(*.txt)\0*.txt\0\x91S\x82\xC4\x82\xCC\x83t\x83@\x83"
        "C\x83\x8B(*.*)\0*.*\0";
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
    return ShowOverwriteDialog(GetActiveWindow(), path) & 0xFFFF;
}

bool Win32ExportPlatform::BrowseFolder(HostWindow owner, const std::string& initialFolder,
                                       std::string& folder) {
    // The start folder is read into a MAX_PATH buffer: a longer stored path is cut.
    std::string start = CutToCharacters(initialFolder, MAX_PATH - 1);
    return ShowFolderBrowser(OwnerOrActive(owner), start, folder);
}

void Win32ExportPlatform::NoteFailedMessage(int number, int reasonId) {
    failedNumber_ = number;
    failedReason_ = reasonId;
    // What the files noted belongs to this message, not to a later one.
    try {
        failedFile_ = files_.TakeFailure();
    } catch (const std::bad_alloc&) {
        failedFile_.clear();
    }
}

std::string Win32ExportPlatform::TakeDetails() {
    std::string details;
    try {
        if (failedNumber_ > 0) {
            details += "\n" + FillFormat(LoadText(IDS_FAILED_MESSAGE),
                                         {std::to_string(failedNumber_), LoadText(failedReason_)});
            if (!failedFile_.empty()) details += "\n" + failedFile_;
        }
        std::string failure = files_.TakeFailure();
        if (!failure.empty()) details += "\n" + failure;
    } catch (const std::bad_alloc&) {
        details.clear();
    }
    failedNumber_ = 0;
    return details;
}

void Win32ExportPlatform::ShowMessage(HostWindow owner, int textId) {
    // No heap for the text itself: this also tells that memory ran out.
    char text[1024] = {};
    LoadStringA(ResourceModule(), static_cast<UINT>(textId), text, sizeof text);
    std::string details = TakeDetails();
    std::string told;
    try {
        if (!details.empty()) told = text + details;
    } catch (const std::bad_alloc&) {
        told.clear();
    }
    MessageBoxA(static_cast<HWND>(owner), told.empty() ? text : told.c_str(), kErrorCaption,
                MB_OK | MB_ICONWARNING);
}

std::unique_ptr<ExportProgress> Win32ExportPlatform::StartProgress(
    HostWindow owner, std::function<int()> countSelection) {
    return std::make_unique<Win32ExportProgress>(
        static_cast<HWND>(owner), std::move(countSelection), ProgressDelayMs(), stopRequested_);
}

void Win32ExportPlatform::ShowReport(HostWindow owner, const ExportReport& report) {
    ReportMessage message = ComposeReport(report, LoadText);
    // Under the heading: which message and file failed, and why.
    std::string details = TakeDetails();
    message.text.insert(std::min(message.text.find('\n'), message.text.size()), details);
    std::string caption = message.kind == ReportKind::Error ? std::string(kErrorCaption)
                          : message.kind == ReportKind::Cancelled
                              ? LoadText(IDS_REPORT_CANCELLED_CAPTION)
                              : LoadText(IDS_REPORT_DONE_CAPTION);
    HWND window = static_cast<HWND>(owner);
    UINT icon = message.warning ? MB_ICONWARNING : MB_ICONINFORMATION;
    MessageBoxA(IsWindow(window) ? window : nullptr, message.text.c_str(), caption.c_str(),
                MB_OK | icon);
}

CalendarTime Win32ExportPlatform::LocalNow() { return tessera::LocalNow(); }

}  // namespace tessera
