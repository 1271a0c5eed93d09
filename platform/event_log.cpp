#include "platform/event_log.h"

#include <windows.h>

#include "platform/proc_address.h"

namespace platform {

namespace {

struct EventLogApi {
    decltype(&::RegisterEventSourceW) RegisterEventSourceW = nullptr;
    decltype(&::ReportEventW) ReportEventW = nullptr;
    decltype(&::DeregisterEventSource) DeregisterEventSource = nullptr;
    decltype(&::GetUserNameW) GetUserNameW = nullptr;
    unsigned long error = 0;  // why the calls could not be bound
};

unsigned long LastErrorOr(unsigned long fallback) {
    const DWORD error = GetLastError();
    return error != 0 ? error : fallback;
}

EventLogApi Resolve() {
    EventLogApi api;
    // A known DLL: Windows loads it from the system folder, never from
    // beside the exe.
    const HMODULE advapi = LoadLibraryW(L"advapi32.dll");
    if (advapi == nullptr) {
        api.error = LastErrorOr(ERROR_MOD_NOT_FOUND);
    } else if (!Bind(advapi, "RegisterEventSourceW", &api.RegisterEventSourceW) ||
               !Bind(advapi, "ReportEventW", &api.ReportEventW) ||
               !Bind(advapi, "DeregisterEventSource", &api.DeregisterEventSource) ||
               !Bind(advapi, "GetUserNameW", &api.GetUserNameW)) {
        api.error = ERROR_PROC_NOT_FOUND;
    }
    return api;
}

const EventLogApi& Api() {
    static const EventLogApi api = Resolve();
    return api;
}

}  // namespace

std::wstring EventString(const std::wstring& text) {
    if (text.size() <= kMostEventStringChars) return text;
    std::size_t kept = kMostEventStringChars - 1;
    if (IS_HIGH_SURROGATE(text[kept - 1])) --kept;
    return text.substr(0, kept) + L'\u2026';
}

unsigned long WriteEvent(EventType type, unsigned long id,
                         const std::vector<std::wstring>& strings) {
    const EventLogApi& api = Api();
    if (api.error != 0) return api.error;
    // An unregistered source is written to the Application log all the
    // same, without the texts of the message table.
    const HANDLE source = api.RegisterEventSourceW(nullptr, L"Tarnwick");
    if (source == nullptr) return LastErrorOr(ERROR_GEN_FAILURE);
    std::vector<std::wstring> fitted;
    for (const std::wstring& text : strings) fitted.push_back(EventString(text));
    std::vector<LPCWSTR> inserts;
    for (const std::wstring& text : fitted) inserts.push_back(text.c_str());
    const BOOL written =
        api.ReportEventW(source, static_cast<WORD>(type), 0, id, nullptr,
                         static_cast<WORD>(inserts.size()), 0, inserts.data(), nullptr);
    const unsigned long error = written ? 0 : LastErrorOr(ERROR_GEN_FAILURE);
    api.DeregisterEventSource(source);
    return error;
}

std::wstring EventUserName() {
    const EventLogApi& api = Api();
    if (api.error != 0) return {};
    wchar_t name[257] = {};  // UNLEN + 1
    DWORD size = 257;
    if (!api.GetUserNameW(name, &size)) return {};
    return name;
}

}  // namespace platform
