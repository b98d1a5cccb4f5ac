#include "engine/Monitors.h"

#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "ui/Handles.h"

namespace {

// GUID_DEVINTERFACE_MONITOR.
constexpr GUID MonitorInterface = {
    0xe6f07b5f, 0xee97, 0x4a90, {0xb0, 0x76, 0x33, 0xf5, 0x7b, 0xf4, 0xea, 0xa7}};

struct TDeviceSetTraits {
    using Type = HDEVINFO;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { SetupDiDestroyDeviceInfoList(h); }
};
struct TRegKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return static_cast<HKEY>(INVALID_HANDLE_VALUE); }
    static void Close(Type h) noexcept { RegCloseKey(h); }
};

std::u16string ToU16(std::wstring_view text) {
    return {text.begin(), text.end()};
}

bool SamePath(const std::u16string& a, const wchar_t* b) {
    const std::wstring wide(a.begin(), a.end());
    return CompareStringOrdinal(wide.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

TRotation RotationOf(DISPLAYCONFIG_ROTATION rotation) {
    switch (rotation) {
    case DISPLAYCONFIG_ROTATION_ROTATE90:
        return TRotation::Deg90;
    case DISPLAYCONFIG_ROTATION_ROTATE180:
        return TRotation::Deg180;
    case DISPLAYCONFIG_ROTATION_ROTATE270:
        return TRotation::Deg270;
    default:
        return TRotation::Deg0;
    }
}

TPanelLink LinkOf(DISPLAYCONFIG_VIDEO_OUTPUT_TECHNOLOGY technology) {
    switch (technology) {
    case DISPLAYCONFIG_OUTPUT_TECHNOLOGY_INTERNAL:
    case DISPLAYCONFIG_OUTPUT_TECHNOLOGY_DISPLAYPORT_EMBEDDED:
    case DISPLAYCONFIG_OUTPUT_TECHNOLOGY_UDI_EMBEDDED:
        return TPanelLink::Internal;
    case DISPLAYCONFIG_OUTPUT_TECHNOLOGY_OTHER:
        return TPanelLink::Unknown;
    default:
        return TPanelLink::External;
    }
}

// The target name does not say in which byte order it gives the EDID's manufacturer id. The EDID
// stores it big-endian, bit 15 clear and three letters of 1 to 26: take the order in which it
// reads so, the swapped one (the EDID's two bytes read little-endian) where both do.
std::uint16_t EdidManufacturer(UINT16 id) {
    const auto letters = [](unsigned v) {
        const unsigned a = v >> 10 & 31, b = v >> 5 & 31, c = v & 31;
        return (v & 0x8000) == 0 && a >= 1 && a <= 26 && b >= 1 && b <= 26 && c >= 1 && c <= 26;
    };
    const auto swapped = static_cast<std::uint16_t>(id >> 8 | id << 8);
    return letters(swapped) || !letters(id) ? swapped : id;
}

template <class T>
bool DeviceInfo(T& info, DISPLAYCONFIG_DEVICE_INFO_TYPE type, LUID adapter, UINT32 id) {
    info.header = {type, sizeof info, adapter, id};
    return DisplayConfigGetDeviceInfo(&info.header) == ERROR_SUCCESS;
}

// The active display paths; none where the system gives none (it may refuse a remote session).
// The topology can change between asking for the sizes and for the paths.
std::vector<DISPLAYCONFIG_PATH_INFO> ActivePaths() {
    std::vector<DISPLAYCONFIG_PATH_INFO> paths;
    std::vector<DISPLAYCONFIG_MODE_INFO> modes;
    for (int attempt = 0; attempt < 3; ++attempt) {
        UINT32 pathCount = 0, modeCount = 0;
        if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) !=
            ERROR_SUCCESS)
            break;
        paths.resize(pathCount);
        modes.resize(modeCount);
        const LONG result = QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(),
                                               &modeCount, modes.data(), nullptr);
        if (result == ERROR_SUCCESS) {
            paths.resize(pathCount);
            return paths;
        }
        if (result != ERROR_INSUFFICIENT_BUFFER)
            break;
    }
    return {};
}

// What the display path showing the GDI device `device` says. False when none does.
bool ReadPath(const std::vector<DISPLAYCONFIG_PATH_INFO>& paths, const wchar_t* device,
              TMonitorState& monitor) {
    for (const DISPLAYCONFIG_PATH_INFO& path : paths) {
        DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
        if (!DeviceInfo(source, DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME,
                        path.sourceInfo.adapterId, path.sourceInfo.id) ||
            CompareStringOrdinal(source.viewGdiDeviceName, -1, device, -1, TRUE) != CSTR_EQUAL)
            continue;
        // A monitor shown on several panels (cloned) is bound to the first.
        const DISPLAYCONFIG_PATH_TARGET_INFO& target = path.targetInfo;
        monitor.Rotation = RotationOf(target.rotation);
        monitor.Scaling = static_cast<std::uint32_t>(target.scaling);
        TPanelId& id = monitor.Panel;
        id.Link = LinkOf(target.outputTechnology);
        DISPLAYCONFIG_TARGET_DEVICE_NAME name{};
        if (DeviceInfo(name, DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME, target.adapterId,
                       target.id)) {
            id.DevicePath = ToU16(name.monitorDevicePath);
            if (name.flags.edidIdsValid) {
                id.Manufacturer = EdidManufacturer(name.edidManufactureId);
                id.Product = name.edidProductCodeId;
            }
        }
        // The preferred mode's signal rather than its width and height: the signal has the panel's
        // own orientation whatever the rotation.
        DISPLAYCONFIG_TARGET_PREFERRED_MODE preferred{};
        if (DeviceInfo(preferred, DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_PREFERRED_MODE,
                       target.adapterId, target.id)) {
            const DISPLAYCONFIG_2DREGION& size =
                preferred.targetMode.targetVideoSignalInfo.activeSize;
            id.Native = {static_cast<int>(size.cx), static_cast<int>(size.cy)};
        }
        return true;
    }
    return false;
}

// The monitor interface's path of the first active monitor on the GDI device.
std::u16string InterfacePath(const wchar_t* device) {
    DISPLAY_DEVICEW display{};
    display.cb = sizeof display;
    for (DWORD i = 0; EnumDisplayDevicesW(device, i, &display, EDD_GET_DEVICE_INTERFACE_NAME); ++i)
        if (display.StateFlags & DISPLAY_DEVICE_ACTIVE)
            return ToU16(display.DeviceID);
    return {};
}

TRotation SettingsRotation(const wchar_t* device) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsExW(device, ENUM_CURRENT_SETTINGS, &mode, 0) ||
        !(mode.dmFields & DM_DISPLAYORIENTATION))
        return TRotation::Deg0;
    // DMDO_90 is the same portrait mode as DISPLAYCONFIG_ROTATION_ROTATE90.
    return mode.dmDisplayOrientation <= DMDO_270 ? static_cast<TRotation>(mode.dmDisplayOrientation)
                                                 : TRotation::Deg0;
}

// Takes the EDID of the monitor interface at `id.DevicePath` from its device key. The interfaces
// are walked and compared without regard to case rather than opened by path: Wine opens none by
// its path, and writes its paths in another case here than in the display configuration.
void ReadEdidOf(HDEVINFO interfaces, TPanelId& id) {
    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof item;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(interfaces, nullptr, &MonitorInterface, i, &item);
         ++i) {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_W detail;
            BYTE bytes[sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) + 512 * sizeof(WCHAR)];
        } buffer{};
        buffer.detail.cbSize = sizeof buffer.detail;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiGetDeviceInterfaceDetailW(interfaces, &item, &buffer.detail, sizeof buffer,
                                              nullptr, &device) ||
            !SamePath(id.DevicePath, buffer.detail.DevicePath))
            continue;
        TUniqueHandle<TRegKeyTraits> key(
            SetupDiOpenDevRegKey(interfaces, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
        DWORD size = 0;
        if (!key ||
            RegQueryValueExW(key.Get(), L"EDID", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return;
        std::vector<BYTE> edid(size);
        if (RegQueryValueExW(key.Get(), L"EDID", nullptr, nullptr, edid.data(), &size) !=
            ERROR_SUCCESS)
            return;
        const TPanelSize preferred = id.Native;
        if (ReadEdid(std::span(edid).first(std::min<std::size_t>(size, edid.size())), id) &&
            !id.Native.Known())
            id.Native = preferred;
        return;
    }
}

} // namespace

std::vector<TMonitorState> ReadMonitors() {
    struct TFound {
        std::wstring device;
        TPixelRect rect;
    };
    std::vector<TFound> found;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR handle, HDC, LPRECT, LPARAM param) -> BOOL {
            MONITORINFOEXW info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(handle, &info)) {
                const RECT& r = info.rcMonitor;
                reinterpret_cast<std::vector<TFound>*>(param)->push_back(
                    {info.szDevice, {r.left, r.top, r.right, r.bottom}});
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));

    const std::vector<DISPLAYCONFIG_PATH_INFO> paths = ActivePaths();
    const TUniqueHandle<TDeviceSetTraits> interfaces(SetupDiGetClassDevsW(
        &MonitorInterface, nullptr, nullptr, DIGCF_DEVICEINTERFACE | DIGCF_PRESENT));
    std::vector<TMonitorState> monitors;
    for (const TFound& f : found) {
        TMonitorState monitor;
        monitor.Desktop = f.rect;
        if (!ReadPath(paths, f.device.c_str(), monitor))
            monitor.Rotation = SettingsRotation(f.device.c_str());
        if (monitor.Panel.DevicePath.empty())
            monitor.Panel.DevicePath = InterfacePath(f.device.c_str());
        if (interfaces && !monitor.Panel.DevicePath.empty())
            ReadEdidOf(interfaces.Get(), monitor.Panel);
        monitors.push_back(std::move(monitor));
    }
    return monitors;
}
