#include "platform/com/ComObject.h"

namespace {
std::atomic<long> g_liveObjects{0};
}

ComObjectBase::ComObjectBase() {
    g_liveObjects.fetch_add(1, std::memory_order_relaxed);
}
ComObjectBase::~ComObjectBase() {
    g_liveObjects.fetch_sub(1, std::memory_order_relaxed);
}
long ComObjectBase::LiveObjects() {
    return g_liveObjects.load(std::memory_order_relaxed);
}
