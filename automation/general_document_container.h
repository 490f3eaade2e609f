// The plain base of the factory, the document container and the spreadsheet and word components:
// a trace reference, four flags (only the container gives them a meaning), and the conversions
// between byte buffers, byte arrays, lock-byte streams, UTF-8 text and strings, and the temporary
// files through which data reaches Office.
#pragma once

#include "com/bstr.h"
#include "trace/tracer.h"

#include <objidl.h>
#include <oaidl.h>

#include <memory>

namespace vex {

class CVEX_GeneralDocumentContainer {
public:
    // E_FAIL for null; otherwise the object's IVEX_Trace (or none) becomes the trace reference.
    HRESULT setTrace(IDispatch* trace);

    // count bytes into a new byte array VARIANT with bounds 1 to count.
    HRESULT getByteToVariant(ULONG count, const BYTE* bytes, VARIANT* out);
    // The bytes of a byte array VARIANT into a new buffer; no_byte_data (8) for fewer than two elements.
    HRESULT getBytes(const VARIANT& data, std::unique_ptr<BYTE[]>& buffer, ULONG& count);
    // UTF-8 bytes to a string. Empty or invalid input gives S_OK and no string; the string ends at
    // the first NUL character of the text.
    HRESULT ConvertUTF8toBSTR(const BYTE* bytes, BSTR* out, ULONG count);
    // The whole content of a lock-bytes object, through buffer, into a byte array VARIANT.
    HRESULT get_ILockBytesToVariant(ULONG& count, std::unique_ptr<BYTE[]>& buffer, ILockBytes* lockbytes,
                                    VARIANT* out);

    // directory\<local date and time as yyyymmddhhmmss><name part>.txt
    HRESULT getTmpFilename(BSTR directory, BSTR namePart, BSTR* out);
    // Writes the bytes to a fresh temporary file; the name is handed out even when writing fails.
    HRESULT writeTmpFile(BSTR directory, BSTR namePart, const BYTE* bytes, ULONG count, BSTR* out);
    // Deletes every file directory\<name part>* and every temporary file writeTmpFile made there with
    // that name part.
    HRESULT deleteTmpFile(BSTR directory, BSTR namePart);

protected:
    CVEX_GeneralDocumentContainer() = default;
    ~CVEX_GeneralDocumentContainer() = default;

    Tracer m_baseTrace;
    bool m_automaticSave = true;
    bool m_eventing = true;
    bool m_visible = true;
    bool m_open = false;
};

} // namespace vex
