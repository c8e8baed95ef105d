#include "service/MouseControl.h"

#include "platform/base/WideChar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace service {

HRESULT MouseControl::PressDpi(bool up) {
    if (!m_store) {
        return E_FAIL;
    }
    return m_store->WriteRaw([&](Transaction& tx) -> HRESULT {
        const DeviceSettings d = tx.Device();
        if (!d.plugged) {
            return E_NOT_CONNECTED;
        }
        auto p = tx.Profile(d.active);
        if (!p || p->stages.empty()) {
            return E_NOT_FOUND;
        }
        const INT count = static_cast<INT>(p->stages.size());
        const INT stage = std::clamp(p->activeStage + (up ? 1 : -1), 1, count);
        const DeviceDpiStage s = p->stages[static_cast<size_t>(stage - 1)];
        p->activeStage = stage;
        if (p->dpiX != s.x || p->dpiY != s.y) {
            p->dpiX = s.x;
            p->dpiY = s.y;
            tx.AddEvent(EventKind::Dpi, p->guid, s.x, s.y);
        }
        tx.SaveProfile(*p);
        return S_OK;
    });
}

HRESULT MouseControl::PressProfile(bool up) {
    if (!m_store) {
        return E_FAIL;
    }
    return m_store->WriteRaw([&](Transaction& tx) -> HRESULT {
        DeviceSettings d = tx.Device();
        if (!d.plugged) {
            return E_NOT_CONNECTED;
        }
        const auto guids = tx.ProfileGuids();
        if (guids.empty()) {
            return E_NOT_FOUND;
        }
        const auto it = std::find(guids.begin(), guids.end(), d.active);
        const INT n = static_cast<INT>(guids.size());
        const INT current = it == guids.end() ? 0 : static_cast<INT>(it - guids.begin());
        const INT next = ((current + (up ? 1 : -1)) % n + n) % n;
        if (guids[static_cast<size_t>(next)] != d.active) {
            d.active = guids[static_cast<size_t>(next)];
            tx.SaveDevice(d);
            tx.ProfileListChanged(PROFILE_MANAGER_EVENT_ACTIVE, next);
        }
        return S_OK;
    });
}

HRESULT MouseControl::SetPlugged(bool plugged) {
    if (!m_store) {
        return E_FAIL;
    }
    return m_store->WriteRaw([&](Transaction& tx) -> HRESULT {
        DeviceSettings d = tx.Device();
        if (d.plugged != plugged) {
            d.plugged = plugged;
            if (plugged) {
                ++d.generation;
            }
            tx.SaveDevice(d);
            // Every process hears of it as a device arrival or removal.
            tx.AddEvent(EventKind::Device, GUID_NULL, plugged ? 1 : 0, d.generation);
        }
        return S_OK;
    });
}

HRESULT MouseControl::InjectFault(Fault fault, INT count) {
    if (!m_store) {
        return E_FAIL;
    }
    return m_store->WriteRaw([&](Transaction& tx) -> HRESULT {
        tx.SetFault(fault, count);
        return S_OK;
    });
}

namespace {
std::string Hex(COLORREF c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}
INT Int(const BYTE* p) {
    INT v = 0;
    std::memcpy(&v, p, 4);
    return v;
}
// A name or program for the terminal: control characters (C0, DEL, C1), the backslash and
// the quote are written as escapes, so that a name that holds an escape sequence cannot
// drive the terminal it is shown on, and the quotes around it stay unambiguous.
std::string Printable(std::u16string_view text) {
    std::u16string safe;
    std::string escaped;
    auto flush = [&] {
        escaped += ToUtf8(safe);
        safe.clear();
    };
    for (const char16_t c : text) {
        if (c == u'\\' || c == u'"') {
            flush();
            escaped += '\\';
            escaped += static_cast<char>(c);
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            flush();
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(c));
            escaped += buf;
        } else {
            safe.push_back(c);
        }
    }
    flush();
    return escaped;
}

std::string Describe(const DeviceButtonAssignment& b) {
    std::ostringstream o;
    switch (b.type) {
    case 0:
        o << "none";
        break;
    case ASSIGN_MOUSE: {
        static constexpr const char* kNames[] = {
            "off",        "click",       "menu",        "universal scrolling",    "forward",
            "backward",   "scroll up",   "scroll down", "on-the-fly sensitivity", "stage up",
            "stage down", "double-click"};
        const INT code = Int(b.data);
        o << (code >= 0 && code < 12 ? kNames[code] : "unknown function");
        break;
    }
    case ASSIGN_MACRO: {
        GUID g{};
        std::memcpy(static_cast<void*>(&g), b.data, 16);
        o << "macro " << ToUtf8(GuidToString(g));
        break;
    }
    case ASSIGN_PROFILE:
        if (Int(b.data) == 3) {
            GUID g{};
            std::memcpy(static_cast<void*>(&g), b.data + 4, 16);
            o << "profile " << ToUtf8(GuidToString(g));
        } else {
            o << (Int(b.data) == 1 ? "profile down" : "profile up");
        }
        break;
    case ASSIGN_STAGE:
        o << "sensitivity stage " << Int(b.data + 4) + 1;
        break;
    case ASSIGN_KEY: {
        WORD scan = 0;
        std::memcpy(&scan, b.data, 2);
        DWORD mods = 0;
        std::memcpy(&mods, b.data + 2, 4);
        o << "key scan " << scan << " modifiers 0x" << std::hex << mods << std::dec;
        break;
    }
    case ASSIGN_ADVANCED:
        o << "advanced";
        break;
    default:
        o << "type " << b.type;
    }
    return o.str();
}
} // namespace

HRESULT MouseControl::Describe(std::string& out) {
    if (!m_store) {
        return E_FAIL;
    }
    return m_store->ReadRaw([&](Transaction& tx) -> HRESULT {
        std::ostringstream o;
        const DeviceSettings d = tx.Device();
        o << "mouse: product 0x001E, " << (d.plugged ? "plugged in" : "unplugged")
          << " (generation " << d.generation << ")\n";
        o << "polling rate: " << d.pollingRate << " ms; acceleration "
          << (d.accelEnabled ? "on" : "off") << ", level " << d.accelLevel << "\n";
        for (const auto& [fault, left] : tx.Faults()) {
            o << "fault: "
              << (fault == Fault::AccessDenied   ? "access-denied"
                  : fault == Fault::WriteFailure ? "write-failure"
                                                 : "no-device")
              << " for the next " << left << " calls\n";
        }
        // A record that cannot be read (damaged) gets its own line; the others are shown.
        const auto guids = tx.ProfileGuids();
        for (size_t i = 0; i < guids.size(); ++i) {
            std::optional<ProfileState> p;
            try {
                p = tx.Profile(guids[i]);
            } catch (const std::runtime_error&) {
                o << "profile " << i + 1 << (guids[i] == d.active ? " (active)" : "") << ": "
                  << ToUtf8(GuidToString(guids[i])) << " could not be read (damaged record)\n";
                continue;
            }
            if (!p) {
                continue;
            }
            o << "profile " << i + 1 << (guids[i] == d.active ? " (active)" : "") << ": \""
              << Printable(p->name) << "\" " << ToUtf8(GuidToString(p->guid)) << "\n";
            o << "  program: " << (p->program.empty() ? "(none)" : Printable(p->program))
              << "; switches: auto " << (p->switches & 1) << ", dpi osd "
              << ((p->switches >> 1) & 1) << ", name osd " << ((p->switches >> 2) & 1) << "\n";
            o << "  sensitivity: " << p->dpiX << " x " << p->dpiY << "; stage " << p->activeStage
              << " of";
            for (const auto& s : p->stages) {
                o << " " << s.x;
                if (s.y != s.x) {
                    o << "/" << s.y;
                }
            }
            o << "\n  lights: scroll " << (p->lights[0].on ? "on " : "off ")
              << Hex(p->lights[0].color) << ", logo " << (p->lights[1].on ? "on " : "off ")
              << Hex(p->lights[1].color) << "\n";
            for (const auto& b : p->buttons) {
                o << "  button " << b.button << ": " << service::Describe(b) << "\n";
            }
        }
        for (const auto& g : tx.MacroGuids()) {
            std::optional<MacroState> m;
            try {
                m = tx.Macro(g);
            } catch (const std::runtime_error&) {
                std::optional<std::u16string> name;
                try {
                    name = tx.MacroName(g);
                } catch (const std::runtime_error&) {
                }
                o << "macro " << (name ? "\"" + ToUtf8(*name) + "\" " : std::string())
                  << ToUtf8(GuidToString(g)) << ": could not be read (damaged record)\n";
                continue;
            }
            if (m) {
                o << "macro \"" << Printable(m->name) << "\" " << ToUtf8(GuidToString(g)) << ": "
                  << m->events.size() << " events\n";
            }
        }
        out = o.str();
        return S_OK;
    });
}

} // namespace service
