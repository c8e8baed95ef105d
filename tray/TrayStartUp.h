#pragma once
// What the tray program does once at its start, before it makes any window.

// Registers the widgets' named messages (RegisterWidgetMessages), which stay 0, and are
// dropped, until registered. Repeated calls give the same values.
void RegisterTrayMessages();
