#pragma once

// Drives one arbitrary file through Tagshroud as a user would (Load, then
// Protect with a typed text) and checks what no input may break. The libFuzzer
// target and the replay test in the normal build share this code, so a saved
// finding is replayed by exactly the checks that found it.
//
// Everything the checks expect is computed from the file's original bytes with
// the map layout spelled out here again, apart from the engine's constants: a
// wrong constant there cannot hide behind the same constant here.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Runtime.h"
#include "framework/Window.h"
#include "framework/testing/Simulate.h"
#include "shell/ProtectOptions.h"
#include "shell/Tagshroud.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/Yields.h"

namespace mapfuzz {

// ---- The map layout, as the checks see it ----

namespace layout {
constexpr std::int64_t FullSignatureAt = 0x0;
constexpr std::int64_t DemoSignatureAt = 0x2C0;
constexpr std::int64_t FullIndexOffsetAt = 0x10;
constexpr std::int64_t DemoIndexOffsetAt = 0x5EC;
constexpr std::int64_t FullMapNameAt = 0x20;
constexpr std::int64_t DemoMapNameAt = 0x58C;
constexpr std::int32_t IndexHeaderSize = 0x28;
constexpr std::int32_t TagCountAt = 0x0C;
constexpr std::int32_t EntrySize = 0x20;
constexpr std::int32_t NamePointerAt = 0x10;
constexpr std::int32_t MapNameCap = 32;
constexpr std::int32_t ListedNameCap = 10000;
// The longest name read while a tag is decided, and the longest wipe.
constexpr std::int32_t NameTestCap = 10000;
constexpr std::int32_t LongestWipe = 1000;
}  // namespace layout

namespace text {
constexpr const char* NotAMap = "This is not a Halo map file.";
constexpr const char* Protected = "Map Protected!";
constexpr const char* Damaged = "This map's tag index is damaged; the map was not changed.";
constexpr const char* TooLong = "The tag message can be at most 255 bytes long.";
constexpr const char* DefaultName = "<Protected>";
constexpr const char* UnexpectedError = "An unexpected error";
constexpr std::size_t LongestName = 255;
}  // namespace text

// ---- The input ----

// One input: what the user types in the protect dialog, and the map file.
struct FuzzCase {
    std::string Text;
    std::string Map;
};

// Two leading bytes, little-endian, whose low nine bits give the text's length
// (0 to 511, so texts over 255 bytes come up); then that many text bytes, or
// as many as the input still has; the rest is the map file.
constexpr std::size_t TextLengthBytes = 2;
constexpr std::uint32_t TextLengthMask = 0x1FF;

inline FuzzCase SplitInput(const std::uint8_t* data, std::size_t size) {
    FuzzCase c;
    if (size < TextLengthBytes) {
        c.Map.assign(reinterpret_cast<const char*>(data), size);
        return c;
    }
    const std::size_t length = (static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8)) &
                               TextLengthMask;
    const std::size_t textSize = std::min(length, size - TextLengthBytes);
    const char* bytes = reinterpret_cast<const char*>(data);
    c.Text.assign(bytes + TextLengthBytes, textSize);
    c.Map.assign(bytes + TextLengthBytes + textSize, size - TextLengthBytes - textSize);
    return c;
}

// The input that SplitInput takes apart into `c`; the text is cut to 511 bytes.
inline std::string JoinInput(const FuzzCase& c) {
    const std::size_t textSize = std::min<std::size_t>(c.Text.size(), TextLengthMask);
    std::string input;
    input += static_cast<char>(textSize & 0xFF);
    input += static_cast<char>(textSize >> 8);
    input += c.Text.substr(0, textSize);
    input += c.Map;
    return input;
}

// ---- Reading a map's bytes as the stream does ----

// Wrapping 32-bit arithmetic, widened with its sign to a 64-bit position.
inline std::int32_t Wrap(std::int64_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }
inline std::int32_t Add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t Sub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// A file's bytes; a byte outside the file reads as 0, as the stream gives it.
class Bytes {
public:
    explicit Bytes(const std::string& bytes) : bytes_(bytes) {}

    std::int64_t Size() const { return static_cast<std::int64_t>(bytes_.size()); }
    bool Inside(std::int64_t at) const { return at >= 0 && at < Size(); }
    bool Inside(std::int64_t at, std::int64_t count) const {
        return at >= 0 && at <= Size() && count <= Size() - at;
    }
    unsigned char At(std::int64_t at) const {
        return Inside(at) ? static_cast<unsigned char>(bytes_[static_cast<std::size_t>(at)]) : 0;
    }
    std::int32_t Int32At(std::int64_t at) const {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = (value << 8) | At(at + i);
        return static_cast<std::int32_t>(value);
    }
    std::string Slice(std::int64_t at, std::int64_t count) const {
        std::string out;
        for (std::int64_t i = 0; i < count; ++i)
            if (Inside(at + i)) out += static_cast<char>(At(at + i));
        return out;
    }
    // The zero-ended name at `at`, at most `cap` bytes.
    std::string Name(std::int64_t at, std::int32_t cap) const {
        std::string name;
        for (std::int64_t i = 0; i < cap; ++i) {
            const unsigned char byte = At(at + i);
            if (byte == 0) break;
            name += static_cast<char>(byte);
        }
        return name;
    }

private:
    const std::string& bytes_;
};

enum class Edition { None, Full, Demo };

// The edition a load recognises: "daeh" at 0 first, then "dehE" at 0x2C0.
inline Edition Recognise(const Bytes& map) {
    if (map.Slice(layout::FullSignatureAt, 4) == "daeh") return Edition::Full;
    if (map.Slice(layout::DemoSignatureAt, 4) == "dehE") return Edition::Demo;
    return Edition::None;
}

// The values that a listing and a protection derive from a map.
struct IndexValues {
    std::int32_t IndexOffset = 0;
    std::int32_t IndexPointer = 0;
    std::int32_t TagCount = 0;
    std::int32_t MapMagic = 0;
    std::int32_t TempData = 0;  // tag 0's NamePointer

    std::int64_t EntryAt(std::int64_t tag) const {
        return Add(Add(IndexOffset, layout::IndexHeaderSize), Wrap(tag * layout::EntrySize));
    }
    std::int64_t NamePointerFieldAt(std::int64_t tag) const {
        return Add(Wrap(EntryAt(tag)), layout::NamePointerAt);
    }
    std::int64_t Translate(std::int32_t pointer) const { return Sub(pointer, MapMagic); }
    // The replacement name's length byte, just before tag 0's name.
    std::int64_t ReplacementAt() const { return Sub(Sub(TempData, MapMagic), 1); }
};

inline IndexValues ReadIndex(const Bytes& map, Edition edition) {
    IndexValues v;
    v.IndexOffset = map.Int32At(edition == Edition::Full ? layout::FullIndexOffsetAt : layout::DemoIndexOffsetAt);
    v.IndexPointer = map.Int32At(v.IndexOffset);
    v.MapMagic = Sub(Sub(v.IndexPointer, layout::IndexHeaderSize), v.IndexOffset);
    v.TagCount = map.Int32At(Add(v.IndexOffset, layout::TagCountAt));
    v.TempData = map.Int32At(v.NamePointerFieldAt(0));
    return v;
}

// Whether every tag entry that the count claims lies wholly inside the file.
// A count over size / 32 cannot: its entries are distinct 32-byte spans.
inline bool AllEntriesInside(const Bytes& map, const IndexValues& v) {
    if (v.TagCount <= 0) return true;
    if (v.TagCount > map.Size() / layout::EntrySize) return false;
    for (std::int32_t tag = 0; tag < v.TagCount; ++tag)
        if (!map.Inside(v.EntryAt(tag), layout::EntrySize)) return false;
    return true;
}

// ---- What a listing must show ----

struct ExpectedListing {
    std::string Title;
    std::string Label;
    // A listing runs no more tag turns than the count and the file's entries.
    std::int64_t MostRows = 0;
    // When every counted entry lies in the file, each one is listed.
    std::int64_t LeastRows = 0;
};

inline ExpectedListing ExpectListing(const Bytes& map, Edition edition) {
    const IndexValues v = ReadIndex(map, edition);
    ExpectedListing e;
    e.Title = map.Name(edition == Edition::Full ? layout::FullMapNameAt : layout::DemoMapNameAt, layout::MapNameCap);
    e.Label = "Tag Count: " + std::to_string(v.TagCount);
    const std::int64_t count = std::max<std::int32_t>(v.TagCount, 0);
    e.MostRows = std::min<std::int64_t>(count, map.Size() / layout::EntrySize);
    e.LeastRows = AllEntriesInside(map, v) ? count : 0;
    return e;
}

// The name that row `row` of a listing of `map` shows.
inline std::string ExpectedRow(const Bytes& map, const IndexValues& v, std::int64_t row) {
    return map.Name(v.Translate(map.Int32At(v.NamePointerFieldAt(row))), layout::ListedNameCap);
}

// Yields a listing may make: one per byte turn of each name, one per tag.
inline std::uint64_t ListingYieldBound(std::int64_t fileSize) {
    const auto entries = static_cast<std::uint64_t>(fileSize / layout::EntrySize);
    return layout::MapNameCap + entries * (layout::ListedNameCap + 1);
}

// Yields a protection may make before it lists the map again.
inline std::uint64_t ProtectionYieldBound(std::int64_t fileSize) {
    const auto entries = static_cast<std::uint64_t>(fileSize / layout::EntrySize);
    return entries * (layout::NameTestCap + layout::LongestWipe + 1);
}

// ---- Which bytes a protection may change ----

// Computed from the original bytes alone. A protection writes only three
// things: tag entries' NamePointer fields (i < TagCount), zero bytes over the
// non-zero bytes of names, and the replacement name. A name is what a wipe
// may meet: from the translated NamePointer that the entry holds when its
// turn comes, up to the longest wipe, through bytes that are non-zero or may
// have become so (NamePointer fields rewritten earlier in the loop). A field
// that an earlier wipe reaches may have lost some of its bytes by its own
// turn, so each such field stands for every pointer those zeros can make.
class ProtectionOracle {
public:
    ProtectionOracle(const Bytes& map, Edition edition, std::size_t replacementSize)
        : map_(map), v_(ReadIndex(map, edition)), reach_(static_cast<std::size_t>(map.Size()), false) {
        replacementInside_ = map.Inside(v_.ReplacementAt(), 1 + static_cast<std::int64_t>(replacementSize));
        entriesInside_ = AllEntriesInside(map, v_);
        if (v_.TagCount > 0 && v_.TagCount <= map.Size() / layout::EntrySize) MarkNames();
    }

    const IndexValues& Index() const { return v_; }
    // The protection can run only when the whole replacement name fits.
    bool ReplacementInside() const { return replacementInside_; }
    bool EntriesInside() const { return entriesInside_; }

    // A byte of the NamePointer field of some tag i < TagCount.
    bool InNamePointerField(std::int64_t at) const {
        if (v_.TagCount <= 0) return false;
        for (std::int64_t k = 0; k < 4 && at - k >= 0; ++k) {
            const std::uint32_t distance =
                static_cast<std::uint32_t>(at - k) - static_cast<std::uint32_t>(v_.NamePointerFieldAt(0));
            if (distance % layout::EntrySize != 0) continue;
            return distance / layout::EntrySize < static_cast<std::uint32_t>(v_.TagCount);
        }
        return false;
    }
    bool InReplacement(std::int64_t at, std::size_t replacementSize) const {
        return at >= v_.ReplacementAt() && at < v_.ReplacementAt() + 1 + static_cast<std::int64_t>(replacementSize);
    }
    // A non-zero byte that some wipe may reach, so it may end as zero.
    bool MayBeWiped(std::int64_t at) const {
        return map_.Inside(at) && reach_[static_cast<std::size_t>(at)] && map_.At(at) != 0;
    }

private:
    void MarkNames() {
        for (std::int32_t tag = 0; tag < v_.TagCount; ++tag) {
            const std::int64_t field = v_.NamePointerFieldAt(tag);
            const std::uint32_t pointer = static_cast<std::uint32_t>(map_.Int32At(field));
            unsigned wipeable = 0;  // bytes of the field an earlier wipe may have zeroed
            for (int k = 0; k < 4; ++k)
                if (MayBeWiped(field + k)) wipeable |= 1u << k;
            // Every subset of those bytes, from none to all.
            for (unsigned zeros = wipeable;; zeros = (zeros - 1) & wipeable) {
                std::uint32_t variant = pointer;
                for (int k = 0; k < 4; ++k)
                    if (zeros & (1u << k)) variant &= ~(0xFFu << (8 * k));
                MarkName(v_.Translate(static_cast<std::int32_t>(variant)));
                if (zeros == 0) break;
            }
        }
    }
    void MarkName(std::int64_t at) {
        for (std::int32_t i = 0; i < layout::LongestWipe && map_.Inside(at + i); ++i) {
            if (map_.At(at + i) == 0 && !InNamePointerField(at + i)) return;
            reach_[static_cast<std::size_t>(at + i)] = true;
        }
    }

    Bytes map_;
    IndexValues v_;
    std::vector<bool> reach_;
    bool replacementInside_ = false;
    bool entriesInside_ = false;
};

// Where `after` differs from `before` in a way the oracle does not allow; empty
// when every change is allowed. `protectedOk` says the protection reported
// success, which alone allows the replacement name.
inline std::vector<std::string> ForbiddenChanges(const std::string& before, const std::string& after,
                                                 const ProtectionOracle& oracle, std::size_t replacementSize,
                                                 bool protectedOk) {
    std::vector<std::string> problems;
    if (before.size() != after.size()) {
        problems.push_back("the file's length changed from " + std::to_string(before.size()) + " to " +
                           std::to_string(after.size()));
        return problems;
    }
    for (std::size_t i = 0; i < before.size() && problems.size() < 8; ++i) {
        if (before[i] == after[i]) continue;
        const auto at = static_cast<std::int64_t>(i);
        if (protectedOk) {
            if (oracle.InReplacement(at, replacementSize) || oracle.InNamePointerField(at)) continue;
            if (after[i] == '\0' && oracle.MayBeWiped(at)) continue;
        }
        char line[160];
        std::snprintf(line, sizeof line, "byte 0x%zX changed from 0x%02X to 0x%02X%s", i,
                      static_cast<unsigned char>(before[i]), static_cast<unsigned char>(after[i]),
                      protectedOk ? ", outside every field, name and the replacement" : " by a refused protection");
        problems.emplace_back(line);
    }
    return problems;
}

// ---- Driving the program ----

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A new file at `path` holding `bytes` (any old file there is replaced, so a
// stream still open on it keeps its own).
inline bool WriteFreshFile(const std::string& path, const std::string& bytes) {
    unlink(path.c_str());
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return close(fd) == 0 && done == bytes.size();
}

// What one case did: every broken rule (none when all held) and every
// message the user was shown, in order.
struct CaseResult {
    std::vector<std::string> Problems;
    std::vector<std::string> Messages;
};

class CaseRun {
public:
    CaseRun(const FuzzCase& c, std::string path) : case_(c), path_(std::move(path)) {}

    CaseResult Run() {
        if (!WriteFreshFile(path_, case_.Map)) {
            problems_.push_back("the scratch file " + path_ + " could not be written");
            return {problems_, {}};
        }
        const Bytes original(case_.Map);
        const Edition edition = Recognise(original);
        LoadAndCheck(edition);
        if (Main()->Control<fw::PushButton>("Prot")->Enabled()) ProtectAndCheck(edition);
        CloseDialog();
        unlink(path_.c_str());
        return {problems_, dialogs_->Messages()};
    }

private:
    static std::shared_ptr<class Tagshroud> Main() { return ::Tagshroud(); }

    void Problem(const std::string& text) { problems_.push_back(text); }

    // Messages shown since the last call.
    std::vector<std::string> NewMessages() {
        const auto& all = dialogs_->Messages();
        std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(seenMessages_), all.end());
        seenMessages_ = all.size();
        for (const auto& m : fresh)
            if (m.rfind(text::UnexpectedError, 0) == 0) Problem("an exception reached the event loop: " + m);
        return fresh;
    }

    static std::string Quoted(const std::vector<std::string>& messages) {
        std::string out;
        for (const auto& m : messages) out += (out.empty() ? "\"" : ", \"") + m + "\"";
        return out.empty() ? "no message" : out;
    }

    void LoadAndCheck(Edition edition) {
        dialogs_->QueueFile(path_);
        const std::uint64_t yields = testsupport::CountYields([] { fw::DispatchEvent([] { Main()->Load_Action(); }); });
        const auto messages = NewMessages();
        const std::string now = ReadFile(path_);
        if (now != case_.Map) Problem("loading changed the file");
        const bool enabled = Main()->Control<fw::PushButton>("Prot")->Enabled();
        if (edition == Edition::None) {
            if (messages != std::vector<std::string>{text::NotAMap})
                Problem("a file that is no map gave " + Quoted(messages));
            if (enabled) Problem("Prot is enabled after a file that is no map");
            return;
        }
        if (!messages.empty()) Problem("loading a map gave " + Quoted(messages));
        if (!enabled) Problem("Prot is disabled after a map was listed");
        CheckListing(Bytes(case_.Map), edition, "the listing");
        if (yields > ListingYieldBound(original().Size()))
            Problem("the listing yielded " + std::to_string(yields) + " times for a file of " +
                    std::to_string(original().Size()) + " bytes");
    }

    Bytes original() const { return Bytes(case_.Map); }

    void CheckListing(const Bytes& map, Edition edition, const std::string& what) {
        const ExpectedListing e = ExpectListing(map, edition);
        auto main = Main();
        if (main->Title() != e.Title) Problem(what + " set the title \"" + main->Title() + "\", not \"" + e.Title + "\"");
        const std::string label = main->Control<fw::StaticText>("tagcount_disp")->Text();
        if (label != e.Label) Problem(what + " shows \"" + label + "\", not \"" + e.Label + "\"");
        auto list = main->Control<fw::Listbox>("taglist");
        const std::int64_t rows = list->RowCount();
        if (rows > e.MostRows || rows < e.LeastRows)
            Problem(what + " has " + std::to_string(rows) + " rows, outside " + std::to_string(e.LeastRows) +
                    ".." + std::to_string(e.MostRows));
        const IndexValues v = ReadIndex(map, edition);
        for (std::int64_t row = 0; row < rows; ++row) {
            if (list->RowText(static_cast<std::int32_t>(row)) == ExpectedRow(map, v, row)) continue;
            Problem(what + " shows a wrong name in row " + std::to_string(row));
            break;
        }
        const bool enabled = main->Control<fw::PushButton>("Prot")->Enabled();
        if (!enabled || !main->Control<fw::PushButton>("Prot")->Default() ||
            main->Control<fw::PushButton>("Load")->Default())
            Problem(what + " left the buttons wrong");
    }

    void ProtectAndCheck(Edition loaded) {
        // Continue takes a map that is not of the full edition for a demo map.
        const Edition edition = loaded == Edition::Full ? Edition::Full : Edition::Demo;
        fw::DispatchEvent([] { Main()->Prot_Action(); });
        auto field = ::ProtectOptions()->Control<fw::EditField>("TagInPut");
        field->SetText(case_.Text);
        const std::string typed = field->Text();
        const std::string replacement = typed.empty() ? std::string(text::DefaultName) : typed;
        const ProtectionOracle oracle(original(), edition, replacement.size());

        const std::uint64_t yields =
            testsupport::CountYields([] { fw::DispatchEvent([] { ::ProtectOptions()->PushButton1_Action(); }); });
        const auto messages = NewMessages();
        const std::string after = ReadFile(path_);
        const bool tooLong = replacement.size() > text::LongestName;
        const bool dialogOpen = fw::GetImplicitWindow(ProtectOptions::FrameworkClassName) != nullptr;

        if (messages == std::vector<std::string>{text::Protected}) {
            if (tooLong) Problem("a replacement of " + std::to_string(replacement.size()) + " bytes was accepted");
            if (!oracle.ReplacementInside()) Problem("protected a map whose replacement name lies outside the file");
            if (!oracle.EntriesInside()) Problem("protected a map whose tag entries lie outside the file");
            for (const auto& p : ForbiddenChanges(case_.Map, after, oracle, replacement.size(), true)) Problem(p);
            CheckReplacement(after, oracle, replacement);
            if (dialogOpen) Problem("the protect dialog is still open after a protection");
            if (after.size() == case_.Map.size()) CheckListing(Bytes(after), edition, "the listing after protection");
            if (yields > ProtectionYieldBound(original().Size()) + ListingYieldBound(original().Size()))
                Problem("the protection yielded " + std::to_string(yields) + " times for a file of " +
                        std::to_string(original().Size()) + " bytes");
            return;
        }
        for (const auto& p : ForbiddenChanges(case_.Map, after, oracle, replacement.size(), false)) Problem(p);
        if (messages == std::vector<std::string>{text::TooLong}) {
            if (!tooLong) Problem("a replacement of " + std::to_string(replacement.size()) + " bytes was refused");
            if (!dialogOpen) Problem("the protect dialog closed after refusing a long replacement");
            return;
        }
        if (messages == std::vector<std::string>{text::Damaged}) {
            if (oracle.ReplacementInside() && oracle.EntriesInside())
                Problem("a map whose tag index and replacement lie in the file was refused as damaged");
            return;
        }
        Problem("Continue gave " + Quoted(messages));
    }

    // The replacement is the last write: its length byte and text stand as written.
    void CheckReplacement(const std::string& after, const ProtectionOracle& oracle, const std::string& replacement) {
        if (!oracle.ReplacementInside() || after.size() != case_.Map.size()) return;
        const Bytes now(after);
        const std::int64_t at = oracle.Index().ReplacementAt();
        if (now.At(at) != replacement.size() ||
            now.Slice(at + 1, static_cast<std::int64_t>(replacement.size())) != replacement)
            Problem("the replacement name does not stand at byte " + std::to_string(at));
    }

    // Closes the protect dialog if a refusal left it open; the main window
    // stays, ready for the next map as after any user action.
    static void CloseDialog() {
        if (auto dialog = fw::GetImplicitWindow(ProtectOptions::FrameworkClassName)) dialog->Close();
    }

    const FuzzCase& case_;
    std::string path_;
    testsupport::ScopedScriptedDialogs dialogs_;
    std::size_t seenMessages_ = 0;
    std::vector<std::string> problems_;
};

// Runs one case with its map in a scratch file at `path` (made and removed
// here), then lets the event loop deliver what the case left pending, as it
// would before the user's next action; closed windows are released then.
inline CaseResult RunCase(const FuzzCase& c, const std::string& path) {
    CaseResult result = CaseRun(c, path).Run();
    fw::testing::ProcessEvents();
    return result;
}

// Closes every window and releases them; the framework may stop afterwards.
inline void CloseAllWindows() {
    if (auto dialog = fw::GetImplicitWindow(ProtectOptions::FrameworkClassName)) dialog->Close();
    if (auto main = fw::GetImplicitWindow(Tagshroud::FrameworkClassName)) main->Close();
    fw::testing::ProcessEvents();
}

}  // namespace mapfuzz
