#pragma once
// The physical side of the virtual mouse, for the command line: its buttons, its cable and
// faults for the next calls of every process. Changes go through the same transactions and
// event records as the service's own, so every process that advised sinks sees them.

#include "service/Store.h"

#include <string>

namespace service {

class MouseControl {
public:
    // Null store: the database cannot be opened (OpenError says why).
    MouseControl() : m_store(Store::Get(&m_openError)) {}
    bool IsOpen() const { return m_store != nullptr; }
    StoreOpenError OpenError() const { return m_openError; }

    // Sensitivity stage buttons: the active profile's next or previous stage (stops at the
    // ends); the current sensitivity follows.
    HRESULT PressDpi(bool up);
    // Profile buttons: the next or previous profile becomes active (wraps around).
    HRESULT PressProfile(bool up);
    // Unplugging makes the service list no device; plugging in again gives a new device
    // (objects from before stay dead).
    HRESULT SetPlugged(bool plugged);
    HRESULT InjectFault(Fault fault, INT count);
    // The whole state in readable form.
    HRESULT Describe(std::string& out);

private:
    StoreOpenError m_openError = StoreOpenError::None;
    std::shared_ptr<Store> m_store;
};

} // namespace service
