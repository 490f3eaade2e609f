// Class and interface ids of MSXML used by the DOM adapter. mingw's msxml2.h maps CLSID_DOMDocument
// to CLSID_DOMDocument2, and its import library defines neither that class id nor
// IID_IXMLDOMDocument2, so the adapter names its own.
#pragma once

#include <objbase.h>

namespace vex::table::windows {

// DOMDocument, the version-independent XML DOM document class.
// {2933BF90-7B36-11D2-B20E-00C04F983E60}
inline constexpr CLSID clsid_dom_document = {
    0x2933bf90, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// {2933BF80-7B36-11D2-B20E-00C04F983E60}
inline constexpr IID iid_xml_dom_node = {
    0x2933bf80, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
// {2933BF81-7B36-11D2-B20E-00C04F983E60}
inline constexpr IID iid_xml_dom_document = {
    0x2933bf81, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
// {2933BF95-7B36-11D2-B20E-00C04F983E60}
inline constexpr IID iid_xml_dom_document2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

} // namespace vex::table::windows
