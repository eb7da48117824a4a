// The driver's side of the probe: shared memory, hook placement, query.
#include "probe_client.hpp"

#include <cstring>

namespace driver {
namespace {

std::wstring ProbePath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    dir.erase(dir.find_last_of(L"\\/") + 1);
    return dir + L"pictarn-probe.dll";
}

probe::Exchange* SharedExchange() {
    static probe::Exchange* view = [] {
        HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(probe::Exchange), probe::kMappingName);
        return mapping ? static_cast<probe::Exchange*>(
                             MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(probe::Exchange)))
                       : nullptr;
    }();
    return view;
}

}  // namespace

bool RunProbe(HWND target, probe::Exchange& ex, std::string& reason) {
    static HMODULE module = LoadLibraryW(ProbePath().c_str());
    static const HOOKPROC hookProc = [] {
        FARPROC proc = module ? GetProcAddress(module, probe::kHookProcName) : nullptr;
        // FARPROC is the generic function pointer; go through void* to its real type.
        return reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(proc));
    }();
    probe::Exchange* shared = SharedExchange();
    if (!hookProc || !shared) {
        reason = "probe-unavailable";
        return false;
    }
    ex.window = reinterpret_cast<ULONG_PTR>(target);
    ex.status = -1;
    std::memcpy(shared, &ex, sizeof ex);

    const DWORD thread = GetWindowThreadProcessId(target, nullptr);
    HHOOK hook = thread ? SetWindowsHookExW(WH_CALLWNDPROC, hookProc, module, thread) : nullptr;
    if (!hook) {
        reason = "hook-failed";
        return false;
    }
    DWORD_PTR result = 0;
    const LRESULT sent = SendMessageTimeoutW(target, RegisterWindowMessageW(probe::kQueryMessage), 0, 0,
                                             SMTO_ABORTIFHUNG, 5000, &result);
    UnhookWindowsHookEx(hook);
    std::memcpy(&ex, shared, sizeof ex);
    if (!sent) {
        reason = "query-timeout";
        return false;
    }
    if (ex.status != 1) {
        reason = ex.status < 0 ? "probe-not-reached" : "probe-failed";
        return false;
    }
    return true;
}

}  // namespace driver
