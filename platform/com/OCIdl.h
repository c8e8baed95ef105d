#pragma once
// Connection points: how an event source hands its events to the sinks its clients advise.

#include "platform/com/Unknwn.h"

struct IConnectionPointContainer;

// {B196B286-BAB4-101A-B69C-00AA00341D07}
inline constexpr IID IID_IConnectionPoint{
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B284-BAB4-101A-B69C-00AA00341D07}
inline constexpr IID IID_IConnectionPointContainer{
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

struct IConnectionPoint : IUnknown {
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** out) = 0;
    // Connects a sink (queried for the event interface); *cookie identifies the connection.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;

protected:
    ~IConnectionPoint() = default;
};
BORVANTA_INTERFACE_ID(IConnectionPoint, IID_IConnectionPoint);

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT FindConnectionPoint(REFIID eventIid, IConnectionPoint** out) = 0;

protected:
    ~IConnectionPointContainer() = default;
};
BORVANTA_INTERFACE_ID(IConnectionPointContainer, IID_IConnectionPointContainer);
