// The stand-in Word's MailMerge and the delimited text data sources it reads.
//
// OpenDataSource(Name) reads the file then and there, as Word reads a delimited text data source:
// - UTF-16 LE or UTF-8 when the file starts with their byte order mark, else the ANSI code page, as
//   Word reads a plain text file;
// - the first record is the header, the field names;
// - fields are separated by tabs when the header holds a tab (outside quotes), else by the first comma
//   or semicolon of the header; a header with none of them is one field;
// - records end at CRLF, LF or CR; empty lines are skipped;
// - a field may be enclosed in double quotes, inside which delimiters and line ends are text and ""
//   is one quote;
// - a file that cannot be read is Word's 5174 "This file could not be found."; a file without a
//   header, a quote left open and a record with more or fewer fields than the header are refused,
//   where Word stops to ask about them.
// Execute merges into a new document (Destination 0, wdSendToNewDocument, only): for each record the
// main document's text with each «Field» replaced by the record's value (names compared without regard
// to case, as Word does); a field the data source lacks stays «Field». Records are separated by a
// section break, "\f".
#include "word_internal.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>

namespace vex::test::word {
namespace {

bool read_file(const std::wstring& path, std::string& bytes) {
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.append(chunk, n);
    std::fclose(file);
    return true;
}

std::wstring decoded(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        std::wstring text((bytes.size() - 2) / sizeof(wchar_t), L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
        return text;
    }
    UINT code_page = CP_ACP;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        code_page = CP_UTF8;
        bytes.remove_prefix(3);
    }
    std::wstring text(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                      static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

// The field delimiter the header record uses.
wchar_t delimiter_of(std::wstring_view text) {
    bool quoted = false;
    wchar_t other = 0;
    for (wchar_t c : text) {
        if (c == L'"')
            quoted = !quoted;
        else if (!quoted && (c == L'\r' || c == L'\n'))
            break;
        else if (!quoted && c == L'\t')
            return c;
        else if (!quoted && !other && (c == L',' || c == L';'))
            other = c;
    }
    return other ? other : L'\t';
}

// The records of the text, header first; false when a quote is left open.
bool split_records(std::wstring_view text, std::vector<std::vector<std::wstring>>& records) {
    const wchar_t delimiter = delimiter_of(text);
    std::vector<std::wstring> record;
    std::wstring field;
    bool quoted = false, quote_seen = false;
    const auto end_record = [&] {
        record.push_back(std::move(field));
        if (record.size() > 1 || !record.front().empty() || quote_seen) // else an empty line
            records.push_back(std::move(record));
        record.clear();
        field.clear();
        quote_seen = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (quoted) {
            if (c != L'"')
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == L'"')
                field += text[i++];
            else
                quoted = false;
        } else if (c == L'"' && field.empty()) {
            quoted = quote_seen = true;
        } else if (c == delimiter) {
            record.push_back(std::move(field));
            field.clear();
        } else if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            end_record();
        } else {
            field += c;
        }
    }
    if (!record.empty() || !field.empty() || quote_seen)
        end_record();
    return !quoted;
}

bool same_name(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && _wcsnicmp(a.data(), b.data(), a.size()) == 0;
}

// The main document's text for one record.
std::wstring merged(std::wstring_view text, const WordDataSource& source,
                    const std::vector<std::wstring>& record) {
    std::wstring out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find(L'\u00AB', at);
        const size_t close = open == text.npos ? open : text.find(L'\u00BB', open + 1);
        if (close == text.npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        const std::wstring_view name = text.substr(open + 1, close - open - 1);
        size_t field = 0;
        while (field < source.fields.size() && !same_name(source.fields[field], name))
            ++field;
        out += field < source.fields.size() ? std::wstring_view(record[field])
                                            : text.substr(open, close - open + 1);
        at = close + 1;
    }
    return out;
}

class MailMerge : public Dispatch {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {VEX_INTERFACE_ENTRY(MailMerge, IDispatch)};
        return entries;
    }

protected:
    const wchar_t* kind() const override { return L"MailMerge"; }
    std::span<const MemberAccess> members() const override {
        static constexpr MemberAccess table[] = {{m_open_data_source, Access::method},
                                                 {m_destination, Access::get_put},
                                                 {m_execute, Access::method}};
        return table;
    }
    HRESULT invoke(Request& request) override {
        WordDocument& doc = *state();
        switch (request.member) {
        case m_open_data_source:
            return open_data_source(request, doc);
        case m_destination: // wdSendToNewDocument 0, wdSendToPrinter 1, wdSendToEmail 2, wdSendToFax 3
            if (!request.put) {
                request.set_long(doc.destination);
                return S_OK;
            }
            return enumeration(request.value(), {0, 1, 2, 3}, doc.destination, request.exception);
        case m_execute:
            return execute(request, doc);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // OpenDataSource(Name, [ConfirmConversions, ReadOnly ...]): only the name counts.
    static HRESULT open_data_source(Request& request, WordDocument& doc) {
        WordDataSource source;
        if (request.count() < 1)
            return DISP_E_BADPARAMCOUNT;
        if (HRESULT hr = text_argument(request.argument(0), source.name); FAILED(hr))
            return hr;
        std::string bytes;
        if (!read_file(source.name, bytes))
            return refuse(request.exception, L"This file could not be found.\r(" + source.name + L")",
                          error_file_not_found);
        std::vector<std::vector<std::wstring>> records;
        std::wstring problem;
        if (!split_records(decoded(bytes), records))
            problem = L"A quoted field of the data source is not closed.";
        else if (records.empty())
            problem = L"The data source has no header record.";
        for (size_t i = 1; problem.empty() && i < records.size(); ++i)
            if (records[i].size() != records[0].size())
                problem = L"Data record " + std::to_wstring(i) + L" has " +
                          std::to_wstring(records[i].size()) + L" fields, the header record " +
                          std::to_wstring(records[0].size()) + L".";
        if (!problem.empty())
            return refuse(request.exception, problem + L" (" + source.name + L")", word_error_command_failed);
        source.fields = std::move(records[0]);
        source.records.assign(std::make_move_iterator(records.begin() + 1),
                              std::make_move_iterator(records.end()));
        doc.data_source = source;
        WordStandIn::instance().data_source = std::move(source);
        return S_OK;
    }

    // Execute([Pause]): a new document, made the active one, with a section per record.
    static HRESULT execute(Request& request, const WordDocument& doc) {
        if (request.count() > 1)
            return DISP_E_BADPARAMCOUNT;
        if (!doc.data_source)
            return refuse(request.exception,
                          L"This method or property is not available because the current mail merge main "
                          L"document needs a data source.",
                          error_not_available);
        if (doc.destination != 0)
            return refuse(request.exception,
                          L"The stand-in Word merges into a new document only (Destination 0), not to " +
                              std::to_wstring(doc.destination),
                          word_error_command_failed);
        if (doc.data_source->records.empty())
            return refuse(request.exception,
                          L"Word could not merge the main document with the data source because the data "
                          L"records were empty or no data records matched your query options.",
                          error_merge_no_records);
        std::wstring text;
        for (size_t i = 0; i < doc.data_source->records.size(); ++i)
            text += (i > 0 ? L"\f" : L"") + merged(doc.text, *doc.data_source, doc.data_source->records[i]);
        WordStandIn::instance().add_merge_result(std::move(text)); // doc is not to be used after this
        return S_OK;
    }
};

} // namespace

com::com_ptr<IDispatch> make_mail_merge(unsigned document) {
    return make<MailMerge>([&](MailMerge& object) { object.document = document; });
}

} // namespace vex::test::word
