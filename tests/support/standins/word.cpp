// The stand-in Word's process-wide state: documents and which one is active, the call log, scripted
// failures, the folders Options.DefaultFilePath answers, and the objects whose identity stays the same
// while the state lives.
#include "word_internal.h"

#include <algorithm>
#include <cwchar>

namespace vex::test {
namespace {

bool same_name(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && _wcsnicmp(a.data(), b.data(), a.size()) == 0;
}

// GetTempPathW() + name + "-<process id>\", created when missing.
std::wstring process_folder(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder =
        std::wstring(temp, n) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr); // fails harmlessly when it exists
    return folder;
}

void delete_files_in(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace

WordStandIn& WordStandIn::instance() {
    static WordStandIn word;
    return word;
}

void WordStandIn::clear() {
    // Swapped out first so that objects released on the way find a consistent (empty) state.
    WordStandIn old;
    std::swap(m_documents, old.m_documents);
    std::swap(m_objects, old.m_objects);
    std::swap(m_application, old.m_application);
    *this = WordStandIn();
    delete_files_in(temp_folder());
    delete_files_in(templates_folder());
}

std::wstring WordStandIn::temp_folder() {
    return process_folder(L"vex-word-temp");
}

std::wstring WordStandIn::templates_folder() {
    return process_folder(L"vex-word-templates");
}

std::wstring WordStandIn::documents_folder() {
    return L"C:\\users\\Public\\Documents\\";
}

WordDocument& WordStandIn::add(std::wstring name, std::wstring full_name, std::wstring text) {
    WordDocument document;
    document.id = ++m_last_id;
    document.name = std::move(name);
    document.full_name = std::move(full_name);
    document.text = std::move(text);
    m_documents.push_back(std::move(document));
    activate(m_documents.back().id);
    return m_documents.back();
}

com::com_ptr<IDispatch> WordStandIn::new_document(const std::wstring& name, const std::wstring& text,
                                                  std::wstring full_name) {
    if (full_name.empty())
        full_name = documents_folder() + name;
    return document_object(add(name, std::move(full_name), text).id);
}

void WordStandIn::add_merge_result(std::wstring text) {
    const std::wstring name = L"Letters" + std::to_wstring(++m_letters);
    add(name, name, std::move(text));
}

void WordStandIn::close_document(const std::wstring& name) {
    for (auto it = m_documents.rbegin(); it != m_documents.rend(); ++it) {
        if (it->open && same_name(it->name, name)) {
            close(it->id);
            return;
        }
    }
}

void WordStandIn::close(unsigned id) {
    if (WordDocument* document = document_by_id(id))
        document->open = false;
    std::erase(m_activation, id);
}

void WordStandIn::activate(unsigned id) {
    std::erase(m_activation, id);
    if (open_document(id))
        m_activation.push_back(id);
}

WordDocument* WordStandIn::document(std::wstring_view name) {
    for (auto it = m_documents.rbegin(); it != m_documents.rend(); ++it)
        if (same_name(it->name, name))
            return &*it;
    return nullptr;
}

WordDocument* WordStandIn::active_document() {
    return m_activation.empty() ? nullptr : open_document(m_activation.back());
}

WordDocument* WordStandIn::document_by_id(unsigned id) {
    for (WordDocument& document : m_documents)
        if (document.id == id)
            return &document;
    return nullptr;
}

WordDocument* WordStandIn::open_document(unsigned id) {
    WordDocument* document = document_by_id(id);
    return document && document->open ? document : nullptr;
}

std::vector<WordDocument*> WordStandIn::open_documents() {
    std::vector<WordDocument*> open;
    for (auto it = m_documents.rbegin(); it != m_documents.rend(); ++it)
        if (it->open)
            open.push_back(&*it);
    return open;
}

size_t WordStandIn::count(std::wstring_view object, std::wstring_view member, std::wstring_view kind) const {
    return static_cast<size_t>(std::count_if(calls.begin(), calls.end(), [&](const WordCall& call) {
        return (object.empty() || call.object == object) && (member.empty() || call.member == member) &&
               (kind.empty() || call.kind == kind);
    }));
}

void WordStandIn::fail(std::wstring object_member, HRESULT status, size_t after, std::wstring description) {
    if (description.empty())
        description = L"Stand-in Word refused " + object_member;
    m_failures.push_back({std::move(object_member), status, after, std::move(description)});
}

com::com_ptr<IDispatch> WordStandIn::application_object() {
    if (!m_application)
        m_application = word::make_application();
    return m_application;
}

com::com_ptr<IDispatch> WordStandIn::document_object(unsigned id) {
    if (!document_by_id(id))
        return nullptr;
    auto& object = m_objects[id];
    if (!object)
        object = word::make_document(id);
    return object;
}

namespace word {

HRESULT refuse(EXCEPINFO* exception, std::wstring_view description, HRESULT scode) {
    if (exception) {
        *exception = {};
        exception->bstrSource = SysAllocString(L"Microsoft Word");
        exception->bstrDescription = com::unique_bstr(description).release();
        exception->scode = scode;
    }
    return DISP_E_EXCEPTION;
}

HRESULT scripted_failure(std::wstring_view object, std::wstring_view member, EXCEPINFO* exception) {
    const std::wstring name = std::wstring(object) + L"." + std::wstring(member);
    for (WordStandIn::Failure& failure : WordStandIn::instance().failures()) {
        if (!same_name(failure.object_member, name))
            continue;
        if (failure.after > 0) {
            --failure.after;
            return S_OK;
        }
        if (exception)
            refuse(exception, failure.description,
                   failure.status == DISP_E_EXCEPTION ? word_error_command_failed : failure.status);
        return failure.status;
    }
    return S_OK;
}

} // namespace word
} // namespace vex::test
