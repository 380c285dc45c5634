// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/ProfileFile.h"

// The rules this profile file keeps. Files written by the Windows profile functions must read back
// alike, and files we write must read back alike there.
//
// Reading
// - A file that starts with the UTF-8 byte-order mark (as Notepad saves it) holds UTF-8 text: it
//   is read as UTF-8 (callers still get and give GBK) and written back as UTF-8 behind its mark,
//   never a file of two encodings. One with a character GBK cannot spell or with bytes that are no
//   UTF-8 could not be written back as it was: it reads as empty and is never overwritten, as a
//   file that starts with a UTF-16 mark, which is not ours to read.
// - A line ends at LF, at CR LF, or at a lone CR; a run of CRs before an LF (CR CR LF, left by a
//   double text-mode conversion) is one line ending. A last line without ending is a line like
//   the others. Every other byte (NUL, bytes of a line of megabytes) is text.
// - Blanks around a line, a section name, a key and a value are ignored: what C's isspace calls
//   blank (space, tab, LF, vertical tab, form feed, CR) and the old end-of-file mark Ctrl-Z.
// - A line whose first character is '[' and that holds a ']' opens a section; its name runs to
//   the last ']' of the line, found stepping over whole GBK characters (a trail byte 0x5D is no
//   ']'), so a name may hold '[' and ']'. What follows the last ']' is ignored.
// - Inside a section, a line whose first character is ';' is a comment and a blank line is
//   nothing; every other line is a key: with '=' the key stands before the first '=' and the value
//   after it; without '=' the whole line is a key that has no value. Lines before the first
//   section are kept but never read.
// - Names match without regard to the case of ASCII letters. A GBK lead byte (0x81-0xFE) and the
//   trail byte after it (0x40-0xFE except 0x7F) are never folded.
// - Of two sections of the same name, the first is the one read, changed and deleted; the same for
//   two keys of the same name in that section, also when the first has no value. Once the first is
//   deleted, the second takes its place.
// - A value enclosed in a matching pair of double or single quotes reads without them.
// - A text read comes into a 255-byte buffer: at most 254 bytes come back, cut before a double-byte
//   character that would not fit whole. A NUL ends the text, as it ends a C string. The default
//   is cut the same way.
// - An absent section or key, and a key without value, give the default; a present key with an
//   empty value gives "".
// - An integer read goes through a 30-byte text buffer, so only the first 29 characters of the
//   value count. It takes their leading decimal digits; a value that begins with no digit gives 0
//   (so a sign gives 0 too); an empty value or a key without value gives the default, as an absent
//   key does. Digit strings beyond 2147483647 give 2147483647 (saturated; no overflow).
//
// Writing
// - A key that exists is changed where it stands, its line rewritten with the name as the caller
//   spells it (writing "1" to "FAX" turns the line "Fax=0" into "FAX=1"; a key line without value
//   gets its value). Writing the same name and value changes nothing.
// - A new key goes after the last key of its section (before trailing blank and comment lines);
//   a missing section is appended at the end of the file; the file is created on the first write.
// - New and changed lines end in CR LF; every other line keeps its bytes and its line ending.
// - A control character (below 0x20, and 0x7F) in a section name, key or value is written as a
//   blank, so text from outside can never add a line or a section. Names are written trimmed.
// - Deleting a key removes its line; deleting a section removes its header and every line up to
//   the next section header.
// - Save() writes a temporary file beside the old one, forces it to the disk and renames it over
//   the old one, with the old file's permissions (DurableFile): the file on disk is always either
//   the old or the new one, and a save that failed anywhere (a full disk) says so. A file that
//   exists but could not be read is never overwritten.

// How the file is held: its bytes in one buffer, each line a span of it (text and ending) with the
// spans of its key and value, so a load allocates next to nothing per line. New and changed lines
// are appended to the buffer and their spans point there; the file is written by joining the spans
// in order.

#include "core/platform/DurableFile.h"
#include "core/platform/Gbk.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr size_t kValueBufferSize = 255;
// The text buffer an integer read goes through: 29 characters and the terminating NUL.
constexpr size_t kIntegerBufferSize = 30;
// Lines are spans with 32-bit lengths: a larger file is not read (and so never overwritten).
constexpr size_t kLargestFile = UINT32_MAX;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kNewLineEnding = "\r\n";
constexpr char kCtrlZ = 0x1A;

bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
bool IsTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}
// C's isspace in the "C" locale, and Ctrl-Z, the end-of-file mark that old DOS editors left.
bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == kCtrlZ;
}

// Length of the character that starts at `i`: 2 for a whole GBK double-byte character, else 1.
size_t CharLength(std::string_view s, size_t i) {
    if (i + 1 < s.size() && IsLead(static_cast<unsigned char>(s[i])) && IsTrail(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

std::string_view TrimView(std::string_view s, size_t begin, size_t end) {
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

std::string Trim(std::string_view s, size_t begin, size_t end) {
    return std::string(TrimView(s, begin, end));
}

std::string Trim(const std::string& s) {
    return Trim(s, 0, s.size());
}

char FoldChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The form names are compared in: ASCII letters lowered, GBK characters untouched.
std::string Fold(std::string_view name) {
    std::string out(name);
    for (size_t i = 0; i < out.size();) {
        const size_t n = CharLength(out, i);
        if (n == 1)
            out[i] = FoldChar(out[i]);
        i += n;
    }
    return out;
}

// Fold(name) == folded, without making the folded copy.
bool MatchesFolded(std::string_view name, std::string_view folded) {
    if (name.size() != folded.size())
        return false;
    for (size_t i = 0; i < name.size();) {
        const size_t n = CharLength(name, i);
        if (n == 2) {
            if (name[i] != folded[i] || name[i + 1] != folded[i + 1])
                return false;
        } else if (FoldChar(name[i]) != folded[i]) {
            return false;
        }
        i += n;
    }
    return true;
}

std::string Neutralise(std::string s) {
    for (char& c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = ' ';
    }
    return s;
}

// What comes back through a text buffer of `bufferSize` bytes, its last one for the NUL.
std::string CutToBuffer(std::string_view value, size_t bufferSize = kValueBufferSize) {
    const size_t nul = value.find('\0');
    const size_t limit = std::min(nul == std::string_view::npos ? value.size() : nul, bufferSize - 1);
    size_t i = 0;
    while (i < limit) {
        const size_t n = CharLength(value, i);
        if (i + n > limit)
            break;
        i += n;
    }
    return std::string(value.substr(0, i));
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Where the line that starts at `pos` ends (its text), and in `next` where the line after it
// starts: a line ends at LF, at CR LF, at a lone CR, or at a run of CRs before an LF.
size_t LineEnd(std::string_view bytes, size_t pos, size_t& next) {
    const char* const data = bytes.data();
    const size_t size = bytes.size();
    size_t eol = pos;
    while (eol < size && data[eol] != '\n' && data[eol] != '\r')
        ++eol;
    next = eol;
    while (next < size && data[next] == '\r')
        ++next;
    if (next < size && data[next] == '\n')
        ++next;
    return eol;
}

enum class Kind : unsigned char { Other, Comment, Entry };

// A line as spans of the store: its text at `at`, `ending` bytes of line ending right after it
// (none for a last line without one), and for entries the trimmed key and where the value's text
// begins (after the '='), counted from `at`. 32 bytes: a file of 10,000 records has 60,000 lines.
struct Line {
    size_t at = 0;
    uint32_t size = 0;
    uint32_t ending = 0;
    uint32_t keyAt = 0;
    uint32_t keySize = 0;
    uint32_t valueFrom = 0;
    Kind kind = Kind::Other;
    bool hasValue = false; // entries: the line has an '='
};
static_assert(sizeof(Line) <= 32);

uint32_t Span(size_t n) {
    return static_cast<uint32_t>(n);
}

// The section name of a header line, or false when the line is no header. The name runs to the
// last ']' of the line, so "[a]b]" is the section "a]b" and a name with brackets reads back.
bool ParseHeader(std::string_view text, std::string& name) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i >= text.size() || text[i] != '[')
        return false;
    const size_t begin = ++i;
    size_t close = std::string::npos;
    while (i < text.size()) {
        if (text[i] == ']')
            close = i;
        i += CharLength(text, i);
    }
    if (close == std::string::npos)
        return false;
    name = Trim(text, begin, close);
    return true;
}

// Sets the kind, key and value of `line`, whose text is `text`.
void ParseEntry(Line& line, std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i < text.size() && text[i] == ';') {
        line.kind = Kind::Comment;
        return;
    }
    if (i == text.size()) {
        line.kind = Kind::Other;
        return;
    }
    line.kind = Kind::Entry;
    // '=' (0x3D) is below every GBK trail byte, so a plain search is GBK-safe.
    const size_t eq = text.find('=', i);
    const std::string_view key = TrimView(text, i, eq == std::string_view::npos ? text.size() : eq);
    line.keyAt = Span(key.data() - text.data());
    line.keySize = Span(key.size());
    // A key without value reads as absent, yet it hides a later key of its name and a write gives
    // it its value.
    line.hasValue = eq != std::string_view::npos;
    if (line.hasValue)
        line.valueFrom = Span(eq + 1);
}

struct Section {
    Line header;
    std::string folded; // the name as written, trimmed and folded
    std::vector<Line> lines;
    // Folded key -> first entry line. Built only for a section long enough to need it (the row
    // map); the short record sections are searched line by line, so loading thousands of them
    // builds no table per section.
    using KeyIndex = std::unordered_map<std::string, size_t>;
    mutable std::unique_ptr<KeyIndex> keys;
    static constexpr size_t kIndexFrom = 32;
    bool added = false; // made by a write: its header is "[" + name + "]", whatever the name holds

    void Reindex() { keys.reset(); }
    // The first entry line of the key, or lines.size() when there is none.
    size_t FindLine(const std::string& store, const std::string& foldedKey) const {
        if (lines.size() < kIndexFrom) {
            for (size_t i = 0; i < lines.size(); ++i) {
                const Line& line = lines[i];
                if (line.kind == Kind::Entry &&
                    MatchesFolded(std::string_view(store).substr(line.at + line.keyAt, line.keySize), foldedKey))
                    return i;
            }
            return lines.size();
        }
        if (!keys) {
            keys = std::make_unique<KeyIndex>();
            for (size_t i = 0; i < lines.size(); ++i) {
                const Line& line = lines[i];
                if (line.kind == Kind::Entry)
                    keys->emplace(Fold(std::string_view(store).substr(line.at + line.keyAt, line.keySize)), i);
            }
        }
        const auto it = keys->find(foldedKey);
        return it == keys->end() ? lines.size() : it->second;
    }
    // A new entry line at `at`, behind every other entry of the section.
    void Added(const std::string& foldedKey, size_t at) {
        // Entries all stand before `at`, so only trailing non-entries moved: the index holds.
        if (keys)
            keys->emplace(foldedKey, at);
    }
};

QString PathOf(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

// Splits `bytes` into lines as Parse does: each line's text without its ending, in file order;
// `visit` returns false to stop. False when the bytes are not ours to read (UTF-16).
template <typename Visit> bool ForEachLine(std::string_view bytes, Visit&& visit) {
    if (bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark))
        return false;
    size_t pos = bytes.starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
    while (pos < bytes.size()) {
        size_t next = 0;
        const size_t eol = LineEnd(bytes, pos, next);
        const std::string_view text = bytes.substr(pos, eol - pos);
        pos = next;
        if (!visit(text))
            break;
    }
    return true;
}

// One key looked up in a file's bytes without building the whole file in memory: the same answer
// as a loaded ProfileFile gives, from the first section of that name and the first key of that
// name in it. Lines are only taken apart inside that section, and the look stops at its end.
struct Lookup {
    bool present = false;  // the key exists in the section (with or without value)
    bool hasValue = false; // and has an '='
    std::string value;     // trimmed, unquoted
};
Lookup LookUp(std::string_view bytes, const std::string& section, const std::string& key) {
    const std::string wantedSection = Fold(Trim(section));
    const std::string wantedKey = Fold(Trim(key));
    Lookup found;
    bool inside = false;
    ForEachLine(bytes, [&](std::string_view text) {
        // Only a line that starts with '[' (after blanks) can be a header; most lines need no more.
        const size_t first = text.find_first_not_of(" \t\n\v\f\r\x1a");
        if (first != std::string_view::npos && text[first] == '[') {
            std::string name;
            if (ParseHeader(text, name)) {
                if (inside)
                    return false; // the first section of that name ended without the key
                inside = Fold(name) == wantedSection;
                return true;
            }
        }
        if (!inside || first == std::string_view::npos || text[first] == ';')
            return true;
        const size_t eq = text.find('=', first);
        if (!MatchesFolded(TrimView(text, first, eq == std::string_view::npos ? text.size() : eq), wantedKey))
            return true;
        found.present = true;
        found.hasValue = eq != std::string_view::npos;
        if (found.hasValue)
            found.value = std::string(Unquote(TrimView(text, eq + 1, text.size())));
        return false;
    });
    return found;
}

// A file that begins with the UTF-8 mark holds UTF-8 text, while the rules and the callers speak
// GBK: its text behind the mark becomes GBK, and the mark stays to say how to write it back. False
// when the text would not come back as it was (a character GBK cannot spell, bytes that are no
// UTF-8).
bool Utf8TextAsGbk(std::string& bytes) {
    if (!bytes.starts_with(kUtf8Mark))
        return true;
    const QByteArray utf8 = QByteArray::fromRawData(bytes.data() + kUtf8Mark.size(),
                                                    static_cast<qsizetype>(bytes.size() - kUtf8Mark.size()));
    const QByteArray text = gbk::FromQString(QString::fromUtf8(utf8));
    if (gbk::ToQString(text).toUtf8() != utf8)
        return false;
    bytes.replace(kUtf8Mark.size(), std::string::npos, text.constData(), static_cast<size_t>(text.size()));
    return true;
}

// The whole file as bytes (a UTF-8 file's text as GBK, Utf8TextAsGbk); false for a file that exists
// but could not be read (it reads as empty
// all the same). Only a regular file is read: a directory reads as empty, and a pipe is never
// opened, so it cannot block.
bool ReadBytes(const std::string& path, std::string& bytes, bool& exists) {
    const QString qpath = PathOf(path);
    const QFileInfo info(qpath);
    exists = info.exists();
    if (!exists)
        return true;
    QFile file(qpath);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    // Straight into the string, in the size the file has; a file that grows meanwhile is read on
    // to its end.
    bytes.clear();
    size_t got = 0;
    for (size_t want = static_cast<size_t>(std::max<qint64>(file.size(), 0)) + 1;; want = got + 65536) {
        if (want > kLargestFile + 1)
            return false;
        bytes.resize(want);
        const qint64 n = file.read(bytes.data() + got, static_cast<qint64>(want - got));
        if (n < 0)
            return false;
        got += static_cast<size_t>(n);
        if (got < want)
            break;
    }
    bytes.resize(got);
    return got <= kLargestFile && Utf8TextAsGbk(bytes);
}

// An integer read of a value: through a 30-byte text buffer, its leading decimal digits,
// saturated; the default for an absent or empty value.
int IntOf(bool hasValue, std::string_view rawValue, int defaultValue) {
    if (!hasValue)
        return defaultValue;
    const std::string value = CutToBuffer(rawValue, kIntegerBufferSize);
    if (value.empty())
        return defaultValue;
    long long result = 0;
    for (const char c : value) {
        if (c < '0' || c > '9')
            break;
        result = std::min<long long>(result * 10 + (c - '0'), INT_MAX);
    }
    return static_cast<int>(result);
}

struct ProfileFile::Data {
    std::string path;
    bool dirty = false;
    bool unreadable = false; // exists but could not be read: never overwrite it
    // The file's bytes as read, then the text of each line added or changed since: every line is a
    // span of it. Starts with the UTF-8 byte-order mark when the file did, kept for the save.
    std::string store;
    size_t markSize = 0;
    std::vector<Line> preamble;
    std::vector<Section> sections;
    std::unordered_map<std::string, size_t> index; // folded name -> first section

    // The section's name as written, trimmed.
    std::string NameOf(const Section& section) const {
        const std::string_view header = Text(section.header);
        if (section.added)
            return std::string(header.substr(1, header.size() - 2));
        std::string name;
        ParseHeader(header, name);
        return name;
    }
    std::string_view Text(const Line& line) const { return std::string_view(store).substr(line.at, line.size); }
    // The value of an entry with '=': trimmed, and without a matching pair of quotes around it.
    std::string_view Value(const Line& line) const { return Unquote(TrimView(Text(line), line.valueFrom, line.size)); }

    void Parse(std::string bytes) {
        if (bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark)) {
            // UTF-16 text (also UTF-32 LE, whose mark begins the same way) would be read as
            // garbage and rewritten in GBK around it: leave such a file alone.
            unreadable = true;
            return;
        }
        store = std::move(bytes);
        const std::string_view all(store);
        size_t pos = 0;
        if (all.starts_with(kUtf8Mark))
            pos = markSize = kUtf8Mark.size();
        Section* current = nullptr;
        // A section's lines are gathered here and stored in one allocation of their size.
        std::vector<Line> gathered;
        const auto close = [&] {
            if (current != nullptr)
                current->lines.assign(gathered.begin(), gathered.end());
            gathered.clear();
        };
        std::string name;
        while (pos < all.size()) {
            size_t next = 0;
            const size_t eol = LineEnd(all, pos, next);
            Line line;
            line.at = pos;
            line.size = Span(eol - pos);
            line.ending = Span(next - eol);
            const std::string_view text = all.substr(pos, eol - pos);
            pos = next;
            if (ParseHeader(text, name)) {
                close();
                Section section;
                section.header = line;
                section.folded = Fold(name);
                sections.push_back(std::move(section));
                current = &sections.back();
                continue;
            }
            if (current == nullptr) {
                preamble.push_back(line);
                continue;
            }
            ParseEntry(line, text);
            gathered.push_back(line);
        }
        close();
        Reindex();
    }

    void Reindex() {
        index.clear();
        index.reserve(sections.size());
        for (size_t i = 0; i < sections.size(); ++i)
            index.emplace(sections[i].folded, i);
    }

    Section* FindSection(const std::string& name) {
        const auto it = index.find(Fold(TrimView(name, 0, name.size())));
        return it == index.end() ? nullptr : &sections[it->second];
    }
    const Section* FindSection(const std::string& name) const {
        const auto it = index.find(Fold(TrimView(name, 0, name.size())));
        return it == index.end() ? nullptr : &sections[it->second];
    }

    const Line* FindEntry(const std::string& section, const std::string& key) const {
        const Section* s = FindSection(section);
        if (s == nullptr)
            return nullptr;
        const size_t at = s->FindLine(store, Fold(TrimView(key, 0, key.size())));
        return at == s->lines.size() ? nullptr : &s->lines[at];
    }

    // A line `text` (ending in CR LF) appended to the store.
    Line Append(std::string_view text) {
        Line line;
        line.at = store.size();
        line.size = Span(text.size());
        line.ending = Span(kNewLineEnding.size());
        store.append(text);
        store.append(kNewLineEnding);
        return line;
    }

    // The entry line "key=value" (names already trimmed and neutralised), appended to the store.
    Line AppendEntry(const std::string& key, const std::string& value) {
        std::string text;
        text.reserve(key.size() + 1 + value.size());
        text.append(key).append("=").append(value);
        Line line = Append(text);
        line.kind = Kind::Entry;
        line.hasValue = true;
        line.keyAt = 0;
        line.keySize = Span(key.size());
        line.valueFrom = Span(key.size() + 1);
        return line;
    }

    // The file's bytes, handed to `write` in as few pieces as the store allows: lines that stand
    // one after the other in the store (the lines read, the lines added in turn) go as one piece.
    // Stops when `write` returns false, and returns false then.
    // The file's bytes, in pieces: a UTF-8 file's GBK text (Utf8TextAsGbk) back in UTF-8.
    template <typename Write> bool Emit(Write&& write) const {
        if (markSize == 0)
            return EmitStored(write);
        std::string text;
        EmitStored([&text](std::string_view piece) {
            text.append(piece);
            return true;
        });
        const QByteArray utf8 = gbk::ToQString(text.substr(markSize)).toUtf8();
        return write(kUtf8Mark) && write(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
    }
    template <typename Write> bool EmitStored(Write&& write) const {
        const std::string_view all(store);
        size_t pieceAt = 0;
        size_t pieceEnd = markSize; // the mark, then the lines
        const Line* last = nullptr;
        const auto add = [&](const Line& line) {
            if (last != nullptr && last->ending == 0) {
                // Only the file's last line can lack an ending; once lines follow it, it gets one.
                if (!write(all.substr(pieceAt, pieceEnd - pieceAt)) || !write(kNewLineEnding))
                    return false;
                pieceAt = pieceEnd = line.at;
            }
            last = &line;
            // Text and ending stand together in the store.
            if (line.at != pieceEnd) {
                if (pieceEnd > pieceAt && !write(all.substr(pieceAt, pieceEnd - pieceAt)))
                    return false;
                pieceAt = line.at;
            }
            pieceEnd = line.at + line.size + line.ending;
            return true;
        };
        for (const Line& line : preamble) {
            if (!add(line))
                return false;
        }
        for (const Section& section : sections) {
            if (!add(section.header))
                return false;
            for (const Line& line : section.lines) {
                if (!add(line))
                    return false;
            }
        }
        return pieceEnd == pieceAt || write(all.substr(pieceAt, pieceEnd - pieceAt));
    }
};

ProfileFile::ProfileFile(std::unique_ptr<Data> data) : d(std::move(data)) {}
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;
ProfileFile::~ProfileFile() = default;

ProfileFile ProfileFile::Load(const std::string& path) {
    auto data = std::make_unique<Data>();
    data->path = path;
    std::string bytes;
    bool exists = false;
    if (!ReadBytes(path, bytes, exists))
        data->unreadable = true;
    else if (exists)
        data->Parse(std::move(bytes));
    return ProfileFile(std::move(data));
}

ProfileFile ProfileFile::Parse(const std::string& bytes) {
    auto data = std::make_unique<Data>();
    std::string text = bytes;
    if (Utf8TextAsGbk(text))
        data->Parse(std::move(text));
    else
        data->unreadable = true;
    return ProfileFile(std::move(data));
}

std::string ProfileFile::Bytes() const {
    std::string bytes;
    d->Emit([&bytes](std::string_view piece) {
        bytes.append(piece);
        return true;
    });
    return bytes;
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const {
    const Line* line = d->FindEntry(section, key);
    return CutToBuffer(line != nullptr && line->hasValue ? d->Value(*line) : std::string_view(defaultValue));
}

int ProfileFile::GetInt(const std::string& section, const std::string& key, int defaultValue) const {
    const Line* line = d->FindEntry(section, key);
    return line == nullptr ? defaultValue : IntOf(line->hasValue, d->Value(*line), defaultValue);
}

std::vector<std::string> ProfileFile::SectionNames() const {
    std::vector<std::string> names;
    names.reserve(d->index.size());
    for (size_t i = 0; i < d->sections.size(); ++i) {
        if (d->index.at(d->sections[i].folded) == i)
            names.push_back(d->NameOf(d->sections[i]));
    }
    return names;
}

bool ProfileFile::HasSection(const std::string& section) const {
    return d->FindSection(section) != nullptr;
}

void ProfileFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    const std::string sectionName = Trim(Neutralise(section));
    const std::string keyName = Trim(Neutralise(key));
    const std::string text = Neutralise(value);
    Section* s = d->FindSection(sectionName);
    if (s == nullptr) {
        Section added;
        added.header = d->Append("[" + sectionName + "]");
        added.folded = Fold(sectionName);
        added.added = true;
        d->sections.push_back(std::move(added));
        d->index.emplace(d->sections.back().folded, d->sections.size() - 1);
        s = &d->sections.back();
    }
    const std::string folded = Fold(keyName);
    if (const size_t found = s->FindLine(d->store, folded); found != s->lines.size()) {
        Line& line = s->lines[found];
        // Writing the same name and value changes nothing (and adds nothing to the store).
        const std::string_view old = d->Text(line);
        if (old.size() == keyName.size() + 1 + text.size() && old.starts_with(keyName) && old[keyName.size()] == '=' &&
            old.ends_with(text))
            return;
        line = d->AppendEntry(keyName, text);
        d->dirty = true;
        return;
    }
    // After the last entry, so that blank and comment lines ending the section stay at its end.
    size_t at = s->lines.size();
    while (at > 0 && s->lines[at - 1].kind != Kind::Entry)
        --at;
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), d->AppendEntry(keyName, text));
    s->Added(folded, at);
    d->dirty = true;
}

void ProfileFile::DeleteKey(const std::string& section, const std::string& key) {
    Section* s = d->FindSection(section);
    if (s == nullptr)
        return;
    const size_t found = s->FindLine(d->store, Fold(TrimView(key, 0, key.size())));
    if (found == s->lines.size())
        return;
    s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(found));
    s->Reindex();
    d->dirty = true;
}

void ProfileFile::DeleteSection(const std::string& section) {
    const auto it = d->index.find(Fold(TrimView(section, 0, section.size())));
    if (it == d->index.end())
        return;
    d->sections.erase(d->sections.begin() + static_cast<std::ptrdiff_t>(it->second));
    d->Reindex();
    d->dirty = true;
}

bool ProfileFile::Save() {
    if (!d->dirty)
        return true;
    if (d->unreadable || d->path.empty())
        return false;
    DurableFile file(d->path);
    if (!file.Open())
        return false;
    const bool written = d->Emit([&file](std::string_view piece) { return file.Write(piece.data(), piece.size()); });
    if (!written || !file.Commit())
        return false;
    d->dirty = false;
    return true;
}

namespace profile {
// One key of a file read without loading all of it: RERAVA.INI with thousands of records is read
// for one setting at start-up and on every click in the list.
std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& defaultValue) {
    std::string bytes;
    bool exists = false;
    if (!ReadBytes(path, bytes, exists) || !exists)
        return CutToBuffer(defaultValue);
    const Lookup found = LookUp(bytes, section, key);
    return CutToBuffer(found.hasValue ? found.value : defaultValue);
}
std::vector<int> GetInts(const std::string& path, const std::string& section, const std::vector<IntKey>& keys) {
    std::string bytes;
    bool exists = false;
    const bool read = ReadBytes(path, bytes, exists) && exists;
    std::vector<int> values;
    values.reserve(keys.size());
    for (const IntKey& wanted : keys) {
        if (!read) {
            values.push_back(wanted.defaultValue);
            continue;
        }
        const Lookup found = LookUp(bytes, section, wanted.key);
        values.push_back(IntOf(found.hasValue, found.value, wanted.defaultValue));
    }
    return values;
}
int GetInt(const std::string& path, const std::string& section, const std::string& key, int defaultValue) {
    return GetInts(path, section, {{key, defaultValue}}).front();
}
bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
    auto file = ProfileFile::Load(path);
    file.WriteString(section, key, value);
    return file.Save();
}
bool DeleteKey(const std::string& path, const std::string& section, const std::string& key) {
    auto file = ProfileFile::Load(path);
    file.DeleteKey(section, key);
    return file.Save();
}
bool DeleteSection(const std::string& path, const std::string& section) {
    auto file = ProfileFile::Load(path);
    file.DeleteSection(section);
    return file.Save();
}
} // namespace profile
