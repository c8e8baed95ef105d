#pragma once
// A handle on one attribute of an element; copying copies the handle.

#include "gui/xml/PugXmlNode.h"

namespace pug {

class XMLATTR {
public:
    XMLATTR() = default;
    explicit XMLATTR(PugXmlAttribute* attr) : m_attr(attr) {}
    virtual ~XMLATTR() = default;
    XMLATTR(const XMLATTR&) = default;
    XMLATTR& operator=(const XMLATTR&) = default;

    bool IsNull() const { return m_attr == nullptr; }
    // The name and value; an empty handle gives empty texts.
    const WCHAR* GetName() const;
    const WCHAR* GetValue() const;
    PugXmlAttribute* GetRecord() const { return m_attr; }

private:
    PugXmlAttribute* m_attr = nullptr;
};

} // namespace pug
