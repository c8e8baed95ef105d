#pragma once
// The device service's interfaces and records as this client includes them, with the
// task-allocator helpers the client uses on the blocks the service hands out.

#include "service/DeviceService.h"

#include "platform/com/ObjBase.h"

#include <memory>

// Frees task-allocator memory handed out by the service (strings, arrays, blocks).
struct TaskMemFree {
    void operator()(void* block) const { CoTaskMemFree(block); }
};
template <class T> using TaskMemPtr = std::unique_ptr<T, TaskMemFree>;
