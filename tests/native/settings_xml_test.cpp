// The element-tree file: exact bytes written, the scanner's rules on good and damaged input.
#include <string>

#include "SettingsTestUtil.h"
#include "settings/XmlTree.h"

namespace {

std::string Image(XML_Tree& t) { return XML_File::MakeFileImage(t); }

XML_Tree* Parse(const std::wstring& text, XML_Tree& tree) {
    const std::string bytes = kvtest::Utf16(text);
    XML_File::ReadXMLBuffer(tree, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return &tree;
}

// One line per element of the tree: depth, name and value, in document order.
std::wstring Dump(const XML_Tree& tree) {
    std::wstring out;
    struct Frame {
        const XML_Node* node;
        int depth;
    };
    std::vector<Frame> stack;
    if (tree.GetRoot()) stack.push_back({tree.GetRoot(), 0});
    while (!stack.empty()) {
        Frame f = stack.back();
        stack.pop_back();
        out += std::to_wstring(f.depth) + L":" + f.node->GetName() + L"=" + f.node->GetValue() + L"|";
        XML_Node* n = const_cast<XML_Node*>(f.node);
        std::vector<Frame> kids;
        for (XML_Node* c = n->GetFirstSubItem(); c; c = n->GetNextSubItem()) kids.push_back({c, f.depth + 1});
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    return out;
}

TEST(SettingsXml, WriterBytes) {
    XML_Tree t;
    t.AddElement(L"Dadodav");
    t.AddElement(L"Version");
    t.AddValue(L"Ver 2.1.0.1");
    t.EndElement();
    t.AddElement(L"Empty");
    t.EndElement();
    t.AddElement(L"Sec");
    t.AddElement(L"Path");
    t.AddValue(L"C:/a b/中文<&>");
    t.EndElement();
    t.AddElement(L"N");
    t.AddValue(-42);
    t.EndElement();
    t.EndElement();
    t.EndElement();
    const std::wstring expect =
        L"<Dadodav>\n <Version>\n  Ver 2.1.0.1\n </Version>\n <Empty>\n </Empty>\n <Sec>\n  <Path>\n"
        L"   C:\\colona b\\colon中文<&>\n  </Path>\n  <N>\n   -42\n  </N>\n </Sec>\n</Dadodav>\n";
    const std::string bytes = Image(t);
    EXPECT_EQ(bytes, kvtest::Utf16(expect));
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(bytes.substr(0, 6), std::string("<\0D\0a\0", 6));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(">\0\n\0", 4));

    XML_Tree empty;
    EXPECT_EQ(Image(empty), "");
}

TEST(SettingsXml, LongValuesAndDeepTreesRoundTrip) {
    XML_Tree t;
    t.AddElement(L"Root");
    const std::wstring big(300000, L'x');
    t.AddElement(L"Big");
    t.AddValue(big + L"/" + big);
    t.EndElement();
    for (int i = 0; i < 200; ++i) t.AddElement(L"D");
    t.AddValue(L"deep");
    for (int i = 0; i < 201; ++i) t.EndElement();
    XML_Tree back;
    const std::string bytes = Image(t);
    XML_File::ReadXMLBuffer(back, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(back.GetRoot());
    EXPECT_EQ(back.GetRoot()->GetSubItem(L"Big")->GetValue(), big + L"/" + big);
    const XML_Node* n = back.GetRoot();
    for (int i = 0; i < 200 && n; ++i) n = n->GetSubItem(L"D");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->GetValue(), L"deep");
    EXPECT_EQ(Image(back), bytes);
}

// What the scanner makes of good and damaged files: each row is the file text and the tree it
// must produce (depth:name=value per element).
TEST(SettingsXml, ScannerRules) {
    struct Row {
        const char* what;
        std::wstring text;
        std::wstring tree;
    };
    const Row rows[] = {
        {"empty", L"", L""},
        {"plain", L"<R>\n <A>\n  1\n </A>\n</R>\n", L"0:R=|1:A=1|"},
        {"blanks trimmed, CR kept", L"<R><A> \t\r\n x y \r\n</A></R>", L"0:R=|1:A=\r\n x y \r|"},
        {"only blanks", L"<R><A> \t\n </A></R>", L"0:R=|1:A=|"},
        {"escape undone", L"<R>a\\colonb\\colon</R>", L"0:R=a/b/|"},
        {"declaration becomes root", L"<?xml version=\"1.0\"?><R><A>1</A></R>", L"0:?xml version=\"1.0\"?=|1:R=|2:A=1|"},
        {"empty-element tag stays open", L"<R><A/><B>2</B></R>", L"0:R=|1:A/=|2:B=2|"},
        {"attributes in the name", L"<R x=\"1\"><A>v</A></R>", L"0:R x=\"1\"=|1:A=v|"},
        {"any closing tag closes", L"<R><A>1</Z><B>2</B></R>", L"0:R=|1:A=1|1:B=2|"},
        {"second root ignored", L"<R>1</R><S><T>2</T></S>", L"0:R=1|"},
        {"text after child replaces", L"<R>first<A>1</A>second</R>", L"0:R=second|1:A=1|"},
        {"> outside a tag is text", L"<R>a>b</R>", L"0:R=a>b|"},
        {"< inside a tag restarts it", L"<R<A>1</A></R>", L"0:A=1|"},
        {"unbalanced: never closed", L"<R><A><B>x", L"0:R=|1:A=|2:B=|"},
        {"unbalanced: extra closers", L"</A></B><R>1</R></R></R>", L"0:R=1|"},
        {"text before root ignored", L"junk<R>1</R>", L"0:R=1|"},
        {"unfinished tag at end", L"<R>1</R><Z", L"0:R=1|"},
        {"duplicates kept", L"<R><A>1</A><A>2</A></R>", L"0:R=|1:A=1|1:A=2|"},
        {"NUL ends a text", std::wstring(L"<R>ab\0cd</R>", 12), L"0:R=ab|"},
        {"unpaired surrogates kept", L"<R>\xD800x\xDC00</R>", L"0:R=\xD800x\xDC00|"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        XML_Tree t;
        EXPECT_EQ(Dump(*Parse(r.text, t)), r.tree);
    }
}

TEST(SettingsXml, DamagedBytes) {
    // An odd byte count drops the last byte; a byte-order mark is skipped.
    std::string bytes = kvtest::Utf16(L"<R>7</R>") + "\x01";
    XML_Tree a;
    XML_File::ReadXMLBuffer(a, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(Dump(a), L"0:R=7|");
    bytes = "\xFF\xFE" + kvtest::Utf16(L"<R>7</R>");
    XML_Tree b;
    XML_File::ReadXMLBuffer(b, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(Dump(b), L"0:R=7|");

    // 200 000 nested elements: no recursion in reading, walking or destroying.
    std::wstring deep;
    for (int i = 0; i < 200000; ++i) deep += L"<D>";
    XML_Tree c;
    Parse(deep, c);
    ASSERT_TRUE(c.GetRoot());
    EXPECT_EQ(c.GetRoot()->GetChildCount(), 1u);
}

TEST(SettingsXml, NumbersByCRules) {
    struct Row {
        std::wstring text;
        int value;
    };
    for (const Row& r : {Row{L"42", 42}, {L"  -17x", -17}, {L"\r\n\t\v\f+8", 8}, {L"abc", 0}, {L"", 0}, {L"- 3", 0},
                         {L"12 34", 12}, {L"65580", 65580}, {L"99999999999", 2147483647}, {L"-99999999999", -2147483647 - 1}}) {
        XML_Node n(nullptr, L"N");
        n.AddValue(r.text);
        EXPECT_EQ(n.GetValueAsInt(), r.value) << std::string(r.text.begin(), r.text.end());
        EXPECT_EQ(n.GetValueAsLong(), r.value);
    }
}

TEST(SettingsXml, TreeCursor) {
    XML_Tree t;
    t.AddValue(L"before");  // no current element: nothing
    t.EndElement();
    EXPECT_EQ(t.GetRoot(), nullptr);
    t.AddElement(L"R");
    t.AddValue(L"a");
    t.AddValue(L"b");  // replaces
    t.EndElement();
    t.AddElement(L"S");  // closed: dropped
    t.AddValue(L"c");
    EXPECT_EQ(Dump(t), L"0:R=b|");
    EXPECT_EQ(t.GetRoot()->GetSubItem(L"r"), nullptr);

    XML_Node parent(nullptr, L"P");
    XML_Node* a = new XML_Node(&parent, L"A");
    XML_Node* b = new XML_Node(&parent, L"A");
    EXPECT_EQ(parent.GetSubItem(L"A"), a);
    EXPECT_EQ(parent.GetFirstSubItem(), a);
    EXPECT_EQ(parent.GetNextSubItem(), b);
    EXPECT_EQ(parent.GetNextSubItem(), nullptr);
    EXPECT_EQ(b->GetParent(), &parent);
}

TEST(SettingsXml, Escapes) {
    struct Row {
        std::wstring plain, saved;
    };
    for (const Row& r : {Row{L"", L""}, {L"/", L"\\colon"}, {L"a//b", L"a\\colon\\colonb"}, {L"\\", L"\\"}}) {
        std::wstring s = r.plain;
        XML_File::MakeSaveString(s);
        EXPECT_EQ(s, r.saved);
        XML_File::UnmakeSaveString(s);
        EXPECT_EQ(s, r.plain);
    }
    std::wstring literal = L"x\\colony";  // the text "\colon" itself reads back as "/"
    XML_File::UnmakeSaveString(literal);
    EXPECT_EQ(literal, L"x/y");
}

// Every value comes back as it was written, the text "\colon" in it too (written "\/colon"):
// through the two escape functions, and through a whole file image and its reading. A value
// without "\colon" is written exactly as the plain escape writes it.
TEST(SettingsXml, EveryValueRoundTrips) {
    struct Row {
        const char* what;
        std::wstring plain, saved;
    };
    const Row rows[] = {
        {"folder named colon", L"C:\\colon shots", L"C:\\/colon shots"},
        {"colon at the start", L"\\colon", L"\\/colon"},
        {"colon at the end", L"D:\\x\\colon", L"D:\\x\\/colon"},
        {"colon twice", L"\\colon\\colon", L"\\/colon\\/colon"},
        {"colonel", L"C:\\colonel\\a", L"C:\\/colonel\\a"},
        {"double backslash", L"\\\\colon", L"\\\\/colon"},
        {"double backslash in the middle", L"a\\\\colonb", L"a\\\\/colonb"},
        {"slash and colon", L"C:/a\\colon/b", L"C:\\colona\\/colon\\colonb"},
        {"slash before colon", L"/colon", L"\\coloncolon"},
        {"backslash before slash", L"\\/", L"\\\\colon"},
        {"the new escape's own text", L"\\/colon", L"\\\\coloncolon"},
        {"its text at the end", L"x\\/colon", L"x\\\\coloncolon"},
        {"its text twice", L"\\/colon\\/colon", L"\\\\coloncolon\\\\coloncolon"},
        {"colon then slash", L"\\colon/", L"\\/colon\\colon"},
        {"partial colon", L"\\colo", L"\\colo"},
        {"slashes only", L"//", L"\\colon\\colon"},
        {"editor path", L"C:\\colon tools\\编辑.exe", L"C:\\/colon tools\\编辑.exe"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::wstring s = r.plain;
        XML_File::MakeSaveString(s);
        EXPECT_EQ(s, r.saved);
        XML_File::UnmakeSaveString(s);
        EXPECT_EQ(s, r.plain);

        XML_Tree t;
        t.AddElement(L"R");
        t.AddElement(L"V");
        t.AddValue(r.plain);
        t.EndElement();
        t.EndElement();
        const std::string bytes = Image(t);
        EXPECT_EQ(bytes, kvtest::Utf16(L"<R>\n <V>\n  " + r.saved + L"\n </V>\n</R>\n"));
        XML_Tree back;
        XML_File::ReadXMLBuffer(back, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ASSERT_TRUE(back.GetRoot() && back.GetRoot()->GetSubItem(L"V"));
        EXPECT_EQ(back.GetRoot()->GetSubItem(L"V")->GetValue(), r.plain);
        EXPECT_EQ(Image(back), bytes);
    }
}

// What files written before the escape for "\colon" hold reads as it always did: each "\colon"
// is "/", and nothing else changes (such files never hold "/" in a value).
TEST(SettingsXml, EarlierFilesReadAsBefore) {
    struct Row {
        std::wstring saved, plain;
    };
    for (const Row& r : {Row{L"http:\\colon\\colonwww.velmor.example", L"http://www.velmor.example"},
                         {L"C:\\colon shots", L"C:/ shots"}, {L"\\\\colon", L"\\/"}, {L"\\coloncolon", L"/colon"},
                         {L"a\\b\\c", L"a\\b\\c"}, {L"\\colo", L"\\colo"}, {L"\\", L"\\"}}) {
        SCOPED_TRACE(std::string(r.saved.begin(), r.saved.end()));
        XML_Tree t;
        EXPECT_EQ(Dump(*Parse(L"<R>" + r.saved + L"</R>", t)), L"0:R=" + r.plain + L"|");
    }
}

TEST(SettingsXml, Files) {
    kvtest::ScratchDir dir;
    XML_Tree missing;
    EXPECT_TRUE(XML_File::ReadXMLFile(missing, dir.wide("none.xml")));
    EXPECT_EQ(missing.GetRoot(), nullptr);

    XML_Tree t;
    t.AddElement(L"R");
    t.AddValue(L"v");
    t.EndElement();
    EXPECT_TRUE(XML_File::WriteXMLFile(t, dir.wide("out.xml")));
    EXPECT_EQ(kvtest::ReadBytes(dir.path() / "out.xml"), kvtest::Utf16(L"<R>\n v\n</R>\n"));
    EXPECT_FALSE(XML_File::WriteXMLFile(t, dir.wide("no/such/folder/out.xml")));
}

}  // namespace
