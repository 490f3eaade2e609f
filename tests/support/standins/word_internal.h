// What the stand-in Word's files share: the dispatch base of its automation objects, Word's refusals
// and the functions that create the objects. The argument access, VARIANT coercion and call-log texts
// are the stand-in Excel's (excel_internal.h), which nothing ties to Excel. Not for tests.
#pragma once

#include "excel_internal.h"
#include "word.h"

#include <initializer_list>

namespace vex::test::word {

using excel::Access;
using excel::coerce;
using excel::make;
using excel::MemberAccess;
using excel::Request; // its refuse() is Excel's: Word's objects refuse through word::refuse

// Word's run-time errors (scode 0x800A0000 + the error number) the objects refuse with.
inline constexpr HRESULT error_not_available = static_cast<HRESULT>(0x800A11FD);    // 4605
inline constexpr HRESULT error_out_of_range = static_cast<HRESULT>(0x800A1200);     // 4608
inline constexpr HRESULT error_no_document = static_cast<HRESULT>(0x800A1098);      // 4248
inline constexpr HRESULT error_file_not_found = static_cast<HRESULT>(0x800A1436);   // 5174
inline constexpr HRESULT error_merge_no_records = static_cast<HRESULT>(0x800A15FF); // 5631
inline constexpr HRESULT error_no_member = static_cast<HRESULT>(0x800A1735);        // 5941

// The error Word refuses with: fills exception (source "Microsoft Word", scode, description) when
// offered, and answers DISP_E_EXCEPTION.
HRESULT refuse(EXCEPINFO* exception, std::wstring_view description, HRESULT scode);
// The scripted failure for object.member, counting the call; S_OK when the call may go through.
HRESULT scripted_failure(std::wstring_view object, std::wstring_view member, EXCEPINFO* exception);

// An argument as text, DISP_E_TYPEMISMATCH when it is none.
HRESULT text_argument(const VARIANT& value, std::wstring& out);
// A number of one of Word's enumerations, stored in out only when it is one: DISP_E_TYPEMISMATCH when
// it is no number, Word's "Value out of range" when it is none of values.
HRESULT enumeration(const VARIANT& value, std::initializer_list<LONG> values, LONG& out,
                    EXCEPINFO* exception);

// Members of the object model, one DISPID per name across every object.
enum Member : DISPID {
    m_activate = 1,
    m_active_document,
    m_active_window,
    m_application,
    m_attached_template,
    m_close,
    m_copy,
    m_count,
    m_default_file_path,
    m_destination,
    m_documents,
    m_execute,
    m_full_name,
    m_item,
    m_mail_merge,
    m_name,
    m_open_data_source,
    m_options,
    m_paste_and_format,
    m_print_out,
    m_run,
    m_screen_updating,
    m_selection,
    m_vba_signed,
    m_whole_story,
};
const wchar_t* member_name(DISPID id);

// Positional arguments first to last, then the named ones (a put's value), for the call log.
std::wstring arguments_text(const DISPPARAMS& params);

// The base of every automation object of the stand-in: member lookup, logging, scripted failures and
// the checks every member shares; the object kinds answer their members in invoke.
class Dispatch : public com::ObjectRoot, public IDispatch {
public:
    // The document the object belongs to, 0 for the application's own objects. Calls on objects of a
    // closed or forgotten document answer RPC_E_DISCONNECTED before they reach invoke.
    unsigned document = 0;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* arg_error) override;

protected:
    Dispatch();
    virtual ~Dispatch();

    virtual const wchar_t* kind() const = 0;
    virtual std::span<const MemberAccess> members() const = 0;
    // Runs with the object's document open (when it has one).
    virtual HRESULT invoke(Request& request) = 0;

    // The object's document; only null for objects without one.
    WordDocument* state() const { return WordStandIn::instance().open_document(document); }
};

com::com_ptr<IDispatch> make_application();
com::com_ptr<IDispatch> make_document(unsigned document);
com::com_ptr<IDispatch> make_mail_merge(unsigned document);

} // namespace vex::test::word
