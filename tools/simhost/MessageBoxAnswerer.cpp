#include "tools/simhost/MessageBoxAnswerer.h"

#include <windows.h>

namespace tessera {

namespace {

// Captions of the plug-in's message boxes: "エラー", and at the end of a long
// export "エクスポート完了" or "エクスポート中止".
const char* const kBoxCaptions[] = {"\x83G\x83\x89\x81[", "エクスポート完了", "エクスポート中止"};

bool IsBoxCaption(const char* caption) {
    for (const char* known : kBoxCaptions) {
        if (lstrcmpA(caption, known) == 0) return true;
    }
    return false;
}

struct Search {
    HWND found = nullptr;
};

BOOL CALLBACK FindErrorBox(HWND window, LPARAM data) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (process != GetCurrentProcessId() || lstrcmpA(cls, "#32770") != 0) return TRUE;
    // The stored caption, without a message to the plug-in's busy thread.
    wchar_t wide[64] = {};
    InternalGetWindowText(window, wide, 64);
    char caption[128] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, caption, sizeof caption, nullptr, nullptr);
    if (!IsBoxCaption(caption)) return TRUE;
    reinterpret_cast<Search*>(data)->found = window;
    return FALSE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM data) {
    char cls[32] = {}, text[1024] = {};
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    if (lstrcmpiA(cls, "Static") == 0 && text[0]) *reinterpret_cast<std::string*>(data) = text;
    return TRUE;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer() : thread_([this] { Run(); }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> MessageBoxAnswerer::TakeTexts() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> texts;
    texts.swap(texts_);
    return texts;
}

void MessageBoxAnswerer::Run() {
    while (!stop_) {
        Search search;
        EnumWindows(FindErrorBox, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            Sleep(20);
            continue;
        }
        std::string text;
        EnumChildWindows(search.found, CollectText, reinterpret_cast<LPARAM>(&text));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            texts_.push_back(text);
        }
        // The box may still be setting up: answer until it is gone.
        for (int i = 0; i < 200 && IsWindow(search.found) && !stop_; ++i) {
            PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            Sleep(25);
        }
    }
}

}  // namespace tessera
