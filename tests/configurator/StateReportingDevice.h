#pragma once
// A device object for the main window's tests that forwards everything to the real one but
// reports the result the service gave when it was created (a mouse state that could not be
// opened, and why) and that no mouse was found, as a device object whose service could not
// open the mouse's stored state does.

#include "ForwardingDevice.h"

namespace apptest {

class StateReportingDevice : public ForwardingDevice {
public:
    StateReportingDevice(IMouseDevice* real, HRESULT serviceResult)
        : ForwardingDevice(real), m_result(serviceResult) {}

    HRESULT GetServiceResult() const override { return m_result; }
    BOOL IsDeviceFound() const override { return FALSE; }

private:
    HRESULT m_result;
};

} // namespace apptest
