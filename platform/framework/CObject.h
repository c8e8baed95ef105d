#pragma once
// Root of the framework's class tree: a polymorphic base with a virtual destructor, so objects
// of derived classes can be kept and deleted through a base pointer.

class CObject {
public:
    CObject() = default;
    virtual ~CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

protected:
    CObject(CObject&&) = default;
    CObject& operator=(CObject&&) = default;
};
