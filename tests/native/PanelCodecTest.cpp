// Glimmora.panels: what is written, and what a stale, damaged or foreign file still binds.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "store/PanelCodec.h"

namespace {

using TBindings = std::vector<std::optional<TPanelBinding>>;

const TDefectPixel Entries[] = {{300, 200, 0x11}, {-5, 7, 0x04}, {1023, 767, 0}, {0, 0, 0xC0}};

const TPanelBinding A{
    {0x1D8D,
     0x0A51,
     0x4A31574C,
     {2560, 1440},
     TPanelLink::External,
     u"\\\\?\\DISPLAY#GLM0A51#5&1f2e&0&UID4352#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}"},
    {300, 200},
    {2560, 1440},
    1,
    TRotation::Deg0};
// A path with every kind of unit that must not stand as it is: space, percent, line feed,
// non-ASCII, a surrogate pair and a lone surrogate.
const TPanelBinding B{{0, 0, 0, {}, TPanelLink::Unknown, u"\\\\?\\A B%\n\u00E9\U0001F600\xD800"},
                      {2, 1023},
                      {768, 1024},
                      0,
                      TRotation::Deg270};
const TPanelBinding C{{0x30E4, 0x0412, 0, {1920, 1080}, TPanelLink::Internal, u""},
                      {1919, 1079},
                      {1920, 1080},
                      128,
                      TRotation::Deg180};
const TPanelBinding D{
    {0, 0, 0xFFFFFFFF, {}, TPanelLink::Unknown, u"-"}, {0, 0}, {1, 1}, 0, TRotation::Deg90};
const TPanelBinding* const Bound[] = {&A, &B, &C, &D};

// A list of the fixture's entries, by their numbers.
TDefectList List(const std::vector<int>& entries) {
    TDefectList list;
    for (int k : entries) {
        const int i = AppendDefect(list, Entries[k].X, Entries[k].Y);
        list[i].Flags = Entries[k].Flags;
    }
    return list;
}

// The bindings of the fixture's entries, by their numbers (-1: none).
TBindings Bindings(const std::vector<int>& bound) {
    TBindings out;
    for (int k : bound)
        out.push_back(k < 0 ? std::nullopt : std::optional(*Bound[k]));
    return out;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

} // namespace

TEST(PanelCodec, WritesOneLinePerBoundEntry) {
    const std::string text = EncodePanels(List({0, 1, 2}), Bindings({0, -1, 1}));
    EXPECT_EQ(text, "Glimmora.panels 1\r\n"
                    "0 300 200 17 1D8D 0A51 4A31574C 2560x1440 external 300,200 2560x1440 1 0 "
                    "\\\\?\\DISPLAY#GLM0A51#5&1f2e&0&UID4352#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}"
                    "\r\n"
                    "2 1023 767 0 0000 0000 00000000 0x0 - 2,1023 768x1024 0 270 "
                    "\\\\?\\A%0020B%0025%000A%00E9%D83D%DE00%D800\r\n");
}

TEST(PanelCodec, BindsWhatItCanMatch) {
    const std::string file = EncodePanels(List({0, 1, 2, 3}), Bindings({0, 1, 2, 3}));
    const std::string records = file.substr(file.find('\n') + 1);
    std::string lf = file;
    std::erase(lf, '\r');
    const struct {
        const char* what;
        std::string text;
        std::vector<int> list; // the fixture's entries in the list
        std::vector<int> bound;
    } cases[] = {
        {"all", file, {0, 1, 2, 3}, {0, 1, 2, 3}},
        {"line feeds alone, a byte order mark, a blank line",
         "\xEF\xBB\xBF" + Replaced(lf, "\n", "\n\n"),
         {0, 1, 2, 3},
         {0, 1, 2, 3}},
        {"no file", "", {0, 1, 2, 3}, {-1, -1, -1, -1}},
        {"a foreign file", "Glimmora.pix 1\r\n" + records, {0, 1, 2, 3}, {-1, -1, -1, -1}},
        {"a later version", Replaced(file, "panels 1", "panels 2"), {0, 1, 2, 3}, {-1, -1, -1, -1}},
        {"binary", std::string("\0\xFF\x01\n\n\x80", 6), {0, 1}, {-1, -1}},
        {"stale: the entry moved",
         Replaced(file, "0 300 200", "0 301 200"),
         {0, 1, 2, 3},
         {-1, 1, 2, 3}},
        {"stale: its flags changed",
         Replaced(file, "0 300 200 17", "0 300 200 16"),
         {0, 1, 2, 3},
         {-1, 1, 2, 3}},
        {"an entry deleted before them", file, {1, 2, 3}, {1, 2, 3}},
        {"entries deleted at the end", file, {0, 1}, {0, 1}},
        {"entries in another order", file, {3, 2, 1, 0}, {3, 2, 1, 0}},
        {"an entry without a binding",
         EncodePanels(List({0, 1, 2, 3}), Bindings({0, -1, 2, 3})),
         {0, 1, 2, 3},
         {0, -1, 2, 3}},
        {"a damaged record",
         Replaced(file, "external 300,200", "external 300;200"),
         {0, 1, 2, 3},
         {-1, 1, 2, 3}},
        {"a cut record", file.substr(0, file.size() - 4), {0, 1, 2, 3}, {0, 1, 2, -1}},
        {"a record with a field too many",
         Replaced(file, " 128 180 -\r", " 128 180 - x\r"),
         {0, 1, 2, 3},
         {0, 1, -1, 3}},
        {"a pixel outside its mode",
         Replaced(file, "1919,1079", "1920,1079"),
         {0, 1, 2, 3},
         {0, 1, -1, 3}},
        {"a rotation that is none",
         Replaced(file, " 128 180 ", " 128 45 "),
         {0, 1, 2, 3},
         {0, 1, -1, 3}},
        {"a bad escape", Replaced(file, "%0020", "%00G0"), {0, 1, 2, 3}, {0, -1, 2, 3}},
        {"an index past the list: found by its entry",
         Replaced(file, "\n0 300", "\n9 300"),
         {0, 1, 2, 3},
         {0, 1, 2, 3}},
        {"an index past any list",
         Replaced(file, "\n0 300", "\n25 300"),
         {0, 1, 2, 3},
         {-1, 1, 2, 3}},
        {"a record twice: the first counts",
         file + Replaced(records, "300,200", "301,200"),
         {0, 1, 2, 3},
         {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        const TDefectList list = List(c.list);
        EXPECT_EQ(DecodePanels(c.text, list), Bindings(c.bound)) << c.what;
    }
}
