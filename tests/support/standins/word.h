// Stand-in for the part of Microsoft Word's automation object model that vex drives late-bound:
// Application, Options, Documents, Document, MailMerge, Window and Selection, each an IDispatch object
// looked up by name without regard to case, as Word does. The objects keep no state of their own:
// they name a document of this process-wide stand-in, which tests read and script through
// WordStandIn. Tests call the objects with excel.h's late-bound helpers (excel_invoke, excel_object,
// excel_value), which make calls as vex makes them whatever the application is.
//
// A document's text is a wide string in which a merge field is written «Field» (U+00AB, U+00BB) and
// a section break is "\f", the character Word's Range.Text shows for it.
//
// It behaves like Word where vex relies on it:
// - Documents lists the newest document first (Documents(1) is the one opened or created last), as
//   Word does; Item takes a 1-based number, a name or a full name;
// - Options.DefaultFilePath(13) (wdTempFilePath) and (2) (wdUserTemplatesPath) answer real folders
//   of this process (temp_folder, templates_folder) WITHOUT a trailing backslash, as Word answers;
//   other indexes are refused;
// - MailMerge.OpenDataSource reads the file from disk then and there (see word_merge.cpp for the
//   format) and Execute makes a new document "Letters1", "Letters2" ... with one section per record
//   and makes it the active document; a merge field the data source lacks stays «Field» in the result;
// - Window.Close closes its document without saving: it leaves Documents, the document active before
//   it becomes the active one again, and objects of a closed document answer RPC_E_DISCONNECTED;
// - Selection.Copy puts the selected text onto the stand-in's clipboard (not the system's), and
//   PasteAndFormat(Type) replaces the selection with it and leaves the insertion point after it; Type
//   is any WdRecoveryType (0 wdPasteDefault, 16 wdFormatOriginalFormatting, 22 wdFormatPlainText ...),
//   all of which paste the text alike;
// - Document.AttachedTemplate takes a path, stored as put (whether the file exists is not checked), and
//   its get answers that path where Word answers a Template object;
// - by-reference puts are refused with DISP_E_MEMBERNOTFOUND (no member here takes an object);
// - Word's refusals are DISP_E_EXCEPTION with source "Microsoft Word", the scode 0x800A0000 + Word's
//   error number and a description: Copy without a selection, a paste with an empty clipboard
//   (4605), a missing data source file (5174), Execute without a data source (4605) or without
//   records (5631), Documents.Item out of range (5941), ActiveDocument with no document open (4248),
//   values outside Word's enumerations (4608).
#pragma once

#include "excel.h"

#include <optional>

namespace vex::test {

// The scode of a scripted DISP_E_EXCEPTION: Word's run-time error 4198 "Command failed".
inline constexpr HRESULT word_error_command_failed = static_cast<HRESULT>(0x800A1066);

// A delimited text data source as MailMerge.OpenDataSource read it.
struct WordDataSource {
    std::wstring name;                              // the path given to OpenDataSource
    std::vector<std::wstring> fields;               // the header record: the field names
    std::vector<std::vector<std::wstring>> records; // each with as many fields as the header
};

struct WordDocument {
    unsigned id = 0;                     // identity for the automation objects; never reused
    std::wstring name;                   // "letter.docx", "Document1", "Letters1"
    std::wstring full_name;              // its path; for a document never saved its name, as Word answers
    std::wstring text;                   // merge fields as «Field», section breaks as "\f"
    bool open = true;                    // false once closed: out of Documents, state kept
    bool vba_signed = true;              // Document.VBASigned (true as the stand-in Excel's workbooks)
    std::wstring attached_template;      // as AttachedTemplate was put (its get answers it); empty: none
    std::vector<std::wstring> printouts; // "PrintOut(arguments)" per PrintOut, "Exec(6, 2)" per print
                                         // command of IOleCommandTarget::Exec
    std::optional<WordDataSource> data_source;     // its MailMerge's, once OpenDataSource read one
    LONG destination = 0;                          // MailMerge.Destination (0 wdSendToNewDocument)
    size_t selection_start = 0, selection_end = 0; // its window's selection: text[start, end)
};

// One Invoke the stand-in received.
struct WordCall {
    std::wstring object;    // "Application", "Options", "Documents", "Document", "MailMerge", "Window",
                            // "Selection"
    std::wstring member;    // as Word spells it ("OpenDataSource" ...), whatever the caller wrote
    std::wstring kind;      // "get", "put", "putref" or "call" (a method, or DISPATCH_METHOD alone)
    std::wstring arguments; // first argument first, ", " between, a put's value last: 13, "text",
                            // True, Empty, Object
    std::wstring target;    // the name of the document the object belongs to; empty for Application,
                            // Options and Documents
    HRESULT status = S_OK;  // what the call answered
};

class WordStandIn {
public:
    static WordStandIn& instance();

    // Forgets every document, call, failure, macro, print, the clipboard and the data source, lets go
    // of the objects the state keeps (objects callers still hold answer RPC_E_DISCONNECTED from then
    // on), and deletes the files in temp_folder() and templates_folder().
    void clear();

    // A new open document named name with that text, made the active document; full_name empty means
    // documents_folder() + name. Returns its automation object (the same object every time).
    com::com_ptr<IDispatch> new_document(const std::wstring& name, const std::wstring& text,
                                         std::wstring full_name = {});
    // Closes the last open document of that name (case-insensitive), as Window.Close does.
    void close_document(const std::wstring& name);

    // Every document ever created since clear(), in creation order (closed ones too).
    std::vector<WordDocument>& documents() { return m_documents; }
    // The last document of that name (case-insensitive), null when none.
    WordDocument* document(std::wstring_view name);
    // Application.ActiveDocument's state; null when no document is open.
    WordDocument* active_document();

    std::wstring clipboard;      // what Selection.Copy put there last
    std::vector<WordCall> calls; // every Invoke received (and Exec, logged as Document "Exec" "call")
    // Calls of object.member of that kind; an empty argument matches anything.
    size_t count(std::wstring_view object, std::wstring_view member, std::wstring_view kind) const;

    // Makes calls of object_member ("MailMerge.Execute", "Documents.Item", "Document.Exec" ...) of any
    // kind fail with status once `after` of them went through, until clear(). A caller that offered an
    // EXCEPINFO gets it filled: source "Microsoft Word", the description (default "Stand-in Word
    // refused MailMerge.Execute") and scode the status, or word_error_command_failed when the status
    // is DISP_E_EXCEPTION. By-reference puts are refused before this and do not count.
    void fail(std::wstring object_member, HRESULT status, size_t after = 0, std::wstring description = {});

    std::vector<std::wstring> macros_run;        // names given to Application.Run
    std::vector<std::pair<DWORD, DWORD>> prints; // (command id, option) of IOleCommandTarget::Exec
    bool screen_updating = true;                 // last value put
    WordDataSource data_source;                  // the last OpenDataSource read; name empty: none

    // Real folders of this process inside the Wine prefix, created on demand, with a trailing
    // backslash: GetTempPathW() + "vex-word-temp-<process id>\" (DefaultFilePath(13)) and
    // "vex-word-templates-<process id>\" (DefaultFilePath(2)). Per process, so that test programs
    // running at the same time do not see each other's files.
    static std::wstring temp_folder();
    static std::wstring templates_folder();
    // Where documents the tests name live: "C:\users\Public\Documents\".
    static std::wstring documents_folder();

    // Automation objects of the stand-in alive in this process (the state's own included).
    static long live_objects();

    // For the automation objects and the document proxy: the state behind them and what they share.
    struct Failure {
        std::wstring object_member;
        HRESULT status;
        size_t after;
        std::wstring description;
    };
    std::vector<Failure>& failures() { return m_failures; }
    WordDocument* document_by_id(unsigned id);
    WordDocument* open_document(unsigned id); // null when closed or unknown
    // Open documents as Documents lists them: newest first.
    std::vector<WordDocument*> open_documents();
    void activate(unsigned document);
    void close(unsigned document);
    // The merge result: a new open document "LettersN" with that text, made active.
    void add_merge_result(std::wstring text);
    com::com_ptr<IDispatch> application_object();
    com::com_ptr<IDispatch> document_object(unsigned document); // null for unknown documents

private:
    WordStandIn() = default;
    WordDocument& add(std::wstring name, std::wstring full_name, std::wstring text);

    std::vector<WordDocument> m_documents;
    std::vector<Failure> m_failures;
    std::vector<unsigned> m_activation; // open documents, the active one last
    unsigned m_last_id = 0;
    unsigned m_letters = 0; // the number of the last "LettersN" merge result
    com::com_ptr<IDispatch> m_application;
    std::map<unsigned, com::com_ptr<IDispatch>> m_objects; // document objects by id
};

} // namespace vex::test
