// The word component: works on the Word document the document container holds. It hands out the
// document's bytes, prints it, runs its macros, and merges field data into it through Word's mail
// merge. It opens no document itself: it asks the container for the live one.
#pragma once

#include "automation/automation_calls.h"
#include "automation/general_document_container.h"
#include "com/bstr.h"
#include "com/control/control.h"
#include "com/dispatch.h"
#include "com/object.h"
#include "factory/factory_link.h"
#include "module/interfaces.h"
#include "trace/tracer.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vex {

class CVEX_Word_Wob : public com::ObjectRoot,
                      public com::DispatchImpl<IVEX_Word>,
                      public com::ControlBase,
                      public IVEX_FactoryClient,
                      public CVEX_GeneralDocumentContainer {
public:
    static std::span<const com::InterfaceEntry> interfaces();
    void FinalRelease();

    // Wiring.
    STDMETHODIMP setTrace(IDispatch* trace) override;
    STDMETHODIMP setTraceTyp(LONG type) override;
    STDMETHODIMP Initialize(IVEX_Factory* factory, IVEX_GeneralDocumentContainer* doccontainer,
                            IVEX_Environment* newval) override;
    void STDMETHODCALLTYPE forgetFactory() override;

    // The document.
    STDMETHODIMP getContent(LONG saveasPDF, VARIANT* document) override;
    STDMETHODIMP printdocument(LONG userprompt) override;
    STDMETHODIMP runmacro(BSTR name) override;

    // Field merge.
    STDMETHODIMP setFields(VARIANT data) override;
    STDMETHODIMP setFields_gui(BSTR url) override;

protected:
    CVEX_Word_Wob();

private:
    using Names = std::vector<std::wstring>;

    // Word, reached from the container's document.
    HRESULT getWordobject();
    HRESULT getWordApplicationobject(com::com_ptr<IDispatch>& application);
    HRESULT get_OutputPath(IDispatch* application, std::wstring& path);
    HRESULT get_Documents(IDispatch* application, com::com_ptr<IDispatch>& documents);
    HRESULT get_Document(IDispatch* documents, LONG index, com::com_ptr<IDispatch>& document);
    // Count of Word's Documents; failure texts as the merge steps name them.
    HRESULT document_count(IDispatch* documents, LONG& count);

    // The steps of a merge.
    HRESULT checkFieldEnviroment(bool& wasOpen, bool& wasInplace);
    HRESULT writeFieldsToFile(const VARIANT& data, VARIANT* fileName);
    HRESULT getListofDocumentnames(Names& list);
    HRESULT getNewDocument(const Names& list, com::com_ptr<IDispatch>& document);
    HRESULT copyNewDocument(IDispatch* merged, bool wasInplace);
    HRESULT restoreFieldEnviroment();

    // Late-bound calls, each failure traced with the step's text; a result that must be an object
    // and is none is traced with not_object and E_FAIL.
    HRESULT read(IDispatch* from, const wchar_t* name, VARIANT* value, std::wstring_view failure);
    HRESULT read_object(IDispatch* from, const wchar_t* name, com::com_ptr<IDispatch>& value,
                        std::wstring_view failure, std::wstring_view not_object);
    HRESULT write(IDispatch* to, const wchar_t* name, VARIANT value, std::wstring_view failure);
    HRESULT call(IDispatch* on, const wchar_t* name, std::vector<VARIANT> arguments,
                 std::wstring_view failure, VARIANT* result = nullptr);

    IVEX_Word* self() noexcept { return static_cast<IVEX_Word*>(this); }

    Tracer pTraceObject;
    FactoryLink m_pfactory;
    com::com_ptr<IVEX_GeneralDocumentContainer> m_pdoccontainer;
    com::com_ptr<IDispatch> m_wordobject;
    com::com_ptr<IVEX_Environment> m_penvironment;
    CVEX_AutomationCalls m_automation;
    std::wstring m_outputPath;
    std::wstring m_templatePath;
    const std::wstring m_fieldNamePart = L"KEMfield";
    bool m_fieldsMerged = false;
    bool m_refreshWordobject = true;
};

HRESULT create_word_component(IUnknown* outer, REFIID iid, void** out) noexcept;

} // namespace vex
