#include "platform/ui/Animation.h"

#include "platform/gdi/Gdi.h"
#include "platform/ui/CommCtrl.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

struct Clip {
    HBITMAP frames = nullptr; // owned copy; null for a clip without frames
    int count = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    UINT frameMs = 100;
};

// The clips live until ClearAnimationClips or the end of the process.
struct ClipStore {
    std::map<std::u16string, Clip> clips;
};

struct Player {
    std::u16string clip;
    bool open = false;
    int plays = 0;
    bool playing = false;
    int frame = -1;
    int first = 0;
    int last = 0;
    UINT repeatsLeft = 0; // 0xFFFFFFFF: for ever
};

std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
}
ClipStore& Store() {
    static ClipStore store;
    return store;
}
std::map<HWND, Player>& Players() {
    static std::map<HWND, Player> players;
    return players;
}

void NotifyParent(HWND hwnd, WORD code) {
    if (HWND parent = GetParent(hwnd)) {
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                     reinterpret_cast<LPARAM>(hwnd));
    }
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    HBITMAP frames = nullptr;
    int frame = -1;
    int width = 0;
    int height = 0;
    {
        std::lock_guard lock(Mutex());
        const Player& player = Players()[hwnd];
        const auto it = Store().clips.find(player.clip);
        if (player.open && it != Store().clips.end() && it->second.frames != nullptr) {
            frames = it->second.frames;
            frame = player.frame;
            width = it->second.frameWidth;
            height = it->second.frameHeight;
        }
    }
    if (frames != nullptr && frame >= 0) {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, ToGdiObj(frames));
        BitBlt(dc, 0, 0, width, height, memory, frame * width, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    EndPaint(hwnd, &ps);
}

} // namespace

namespace platform::animation {

LRESULT AnimateProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::unique_lock lock(Mutex());
    Player& player = Players()[hwnd];
    switch (msg) {
    case ACM_OPENW: {
        const auto* name = reinterpret_cast<LPCWSTR>(lParam);
        const auto it = name != nullptr ? Store().clips.find(name) : Store().clips.end();
        player = Player{};
        player.open = it != Store().clips.end();
        player.clip = player.open ? std::u16string(name) : u"";
        player.frame = player.open && it->second.count > 0 ? 0 : -1;
        lock.unlock();
        KillTimer(hwnd, kFrameTimer);
        InvalidateRect(hwnd, nullptr, FALSE);
        return player.open ? TRUE : FALSE;
    }
    case ACM_PLAY: {
        if (!player.open) {
            return FALSE;
        }
        ++player.plays;
        const Clip& clip = Store().clips[player.clip];
        if (clip.count <= 0 || wParam == 0) {
            lock.unlock();
            NotifyParent(hwnd, ACN_STOP); // nothing to show: the play is over at once
            return TRUE;
        }
        const auto packed = static_cast<DWORD_PTR>(lParam);
        const int from = LOWORD(packed);
        const int to = HIWORD(packed) == 0xFFFF ? clip.count - 1 : HIWORD(packed);
        player.first = from < clip.count ? from : clip.count - 1;
        player.last = to < clip.count && to >= player.first ? to : clip.count - 1;
        player.frame = player.first;
        player.repeatsLeft = static_cast<UINT>(wParam);
        player.playing = true;
        const UINT frameMs = clip.frameMs;
        lock.unlock();
        SetTimer(hwnd, kFrameTimer, frameMs, nullptr);
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, ACN_START);
        return TRUE;
    }
    case ACM_STOP: {
        if (!player.open) {
            return FALSE;
        }
        const bool wasPlaying = player.playing;
        player.playing = false;
        lock.unlock();
        KillTimer(hwnd, kFrameTimer);
        if (wasPlaying) {
            NotifyParent(hwnd, ACN_STOP);
        }
        return TRUE;
    }
    case ACM_ISPLAYING:
        return player.playing ? TRUE : FALSE;
    case WM_TIMER: {
        if (wParam != kFrameTimer || !player.playing) {
            return 0;
        }
        bool ended = false;
        if (player.frame < player.last) {
            ++player.frame;
        } else if (player.repeatsLeft == 0xFFFFFFFF || --player.repeatsLeft > 0) {
            player.frame = player.first;
        } else {
            player.playing = false;
            ended = true;
        }
        lock.unlock();
        if (ended) {
            KillTimer(hwnd, kFrameTimer);
            NotifyParent(hwnd, ACN_STOP);
        } else {
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        lock.unlock();
        Paint(hwnd);
        return 0;
    case WM_NCDESTROY:
        Players().erase(hwnd);
        lock.unlock();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    default:
        lock.unlock();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace platform::animation

void AddAnimationClip(LPCWSTR name) {
    AddAnimationClip(name, nullptr, 0, 0);
}

void AddAnimationClip(LPCWSTR name, HBITMAP frames, int frameCount, UINT frameMs) {
    if (name == nullptr) {
        return;
    }
    Clip clip;
    BITMAP info{};
    if (frames != nullptr && frameCount > 0 && GetObjectW(frames, sizeof(info), &info) != 0 &&
        info.bmWidth >= frameCount) {
        clip.frames = static_cast<HBITMAP>(CopyImage(frames, IMAGE_BITMAP, 0, 0, 0));
        clip.count = clip.frames != nullptr ? frameCount : 0;
        clip.frameWidth = info.bmWidth / frameCount;
        clip.frameHeight = info.bmHeight;
        clip.frameMs = frameMs > 0 ? frameMs : 100;
    }
    std::lock_guard lock(Mutex());
    auto& clips = Store().clips;
    if (auto it = clips.find(name); it != clips.end() && it->second.frames != nullptr) {
        DeleteObject(it->second.frames);
    }
    clips[name] = clip;
}

bool HasAnimationClip(LPCWSTR name) {
    std::lock_guard lock(Mutex());
    return name != nullptr && Store().clips.count(name) != 0;
}

void ClearAnimationClips() {
    std::lock_guard lock(Mutex());
    for (auto& [name, clip] : Store().clips) {
        if (clip.frames != nullptr) {
            DeleteObject(clip.frames);
        }
    }
    Store().clips.clear();
}

int platform::AnimationPlayCount(HWND animation) {
    std::lock_guard lock(Mutex());
    const auto it = Players().find(animation);
    return it == Players().end() ? 0 : it->second.plays;
}

int platform::AnimationFrame(HWND animation) {
    std::lock_guard lock(Mutex());
    const auto it = Players().find(animation);
    return it == Players().end() ? -1 : it->second.frame;
}
