#pragma once
// What the tray's event sinks hand the device service's events on to (the tray dialog
// implements both). Calls arrive on the thread that made the connection.

class IDpiEventHandler {
public:
    // The new current sensitivity of the profile whose sensitivity was advised.
    virtual void OnDpiChanged(int x, int y) = 0;

protected:
    ~IDpiEventHandler() = default;
};

class IProfileEventHandler {
public:
    // Raised by the dialog's own code only; no sink calls it.
    virtual void OnActiveProfileChanged() = 0;
    // flags bit 0x1: the active profile changed; 0x2 or 0x4: the profile list changed. The
    // further values are passed on as the service gave them.
    virtual void OnProfileManagerEvent(int flags, int a, int b, int c, int d) = 0;
    // flags 0x1: the show-sensitivity switch became value; 0x2: the show-profile-name switch;
    // 0x4: the auto-switch switch.
    virtual void OnProfileEvent(int flags, int value, int a, int b, int c) = 0;

protected:
    ~IProfileEventHandler() = default;
};
