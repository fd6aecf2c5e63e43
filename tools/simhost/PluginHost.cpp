#include "tools/simhost/PluginHost.h"

namespace tessera {

namespace {

using InfoFn = int(WINAPI*)(char*);
using MenuInitFn = int(WINAPI*)(HWND, HMENU, int);
using SetupFn = int(WINAPI*)(HWND);
using ExitFn = int(WINAPI*)();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

}  // namespace

PluginHost& PluginHost::Instance() {
    static PluginHost host;
    return host;
}

bool PluginHost::CreateMainWindow(bool withAnchor) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TesseraSimHost";
    RegisterClassA(&wc);
    menu_ = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 32771, "&Open");
    if (withAnchor) AppendMenuA(file, MF_STRING, kHostAnchorCommand, "E&xit");
    AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    window_ = CreateWindowA("TesseraSimHost", "Simulated host", WS_OVERLAPPEDWINDOW, 100, 100, 640,
                            480, nullptr, menu_, wc.hInstance, nullptr);
    return window_ != nullptr;
}

bool PluginHost::Load(const std::string& path, DWORD* error) {
    module_ = LoadLibraryA(path.c_str());
    if (!module_ && error) *error = GetLastError();
    return module_ != nullptr;
}

void PluginHost::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    commands_.clear();
}

int PluginHost::CallInfo(char* record) {
    InfoFn fn = Entry<InfoFn>(module_, "BKC_OnPlugInInfo");
    return fn ? fn(record) : -1;
}

int PluginHost::CallMenuInit(int kind) {
    MenuInitFn fn = Entry<MenuInitFn>(module_, "BKC_OnMenuInit");
    return fn ? fn(window_, menu_, kind) : -1;
}

int PluginHost::CallSetup() {
    SetupFn fn = Entry<SetupFn>(module_, "BKC_OnPlugInSetup");
    return fn ? fn(window_) : -1;
}

int PluginHost::CallExit() {
    ExitFn fn = Entry<ExitFn>(module_, "BKC_OnExit");
    return fn ? fn() : -1;
}

int PluginHost::RegisterCommand(const char* name, int, CommandCallback callback) {
    int id = kFirstHostCommandId + static_cast<int>(commands_.size());
    commands_.push_back({name ? name : "", id, callback, nullptr});
    return id;
}

int PluginHost::RegisterUICallback(int id, UiCallback callback) {
    for (RegisteredCommand& command : commands_) {
        if (command.id == id) {
            command.uiCallback = callback;
            return 1;
        }
    }
    return 0;
}

bool PluginHost::InvokeCommand(size_t index, long extraBits) {
    if (index >= commands_.size() || !commands_[index].callback) return false;
    commands_[index].callback(window_, commands_[index].id | extraBits);
    return true;
}

int PluginHost::QueryUI(size_t index) {
    if (index >= commands_.size() || !commands_[index].uiCallback) return -1;
    return commands_[index].uiCallback(window_, commands_[index].id);
}

std::vector<MenuEntry> PluginHost::SubMenuItems() const {
    std::vector<MenuEntry> items;
    HMENU sub = GetSubMenu(menu_, 0);
    int count = GetMenuItemCount(sub);
    for (int i = 0; i < count; ++i) {
        char caption[256] = {};
        GetMenuStringA(sub, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
        items.push_back({GetMenuItemID(sub, i), caption});
    }
    return items;
}

}  // namespace tessera
