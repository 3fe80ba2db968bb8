// The bundled text table against the windows, tooltips and messages that use
// it: every window text comes from an entry that says something, each label
// names what its item sets (as the item's handler uses it), labels fit their
// windows, and the messages and tooltips have texts of their own.
//
// Which entry a window text comes from is found by building the windows once
// over a table whose entry n reads "@n".
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/myglobs.h"
#include "app/texts.h"
#include "gfx/myfont.h"
#include "support/content_support.h"
#include "support/testutil.h"
#include "ui/windefs.h"
#include "ui/window.h"

namespace {

// Entry n of the table that a window text was taken from, -1 for a text
// that is not a table entry.
int MarkerIndex(const char* text) {
    if (!text || text[0] != '@' || !std::isdigit(static_cast<unsigned char>(text[1]))) return -1;
    return std::atoi(text + 1);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsTextKind(int kind) {
    return kind == WINOBJ_TITLE || kind == WINOBJ_TEXT || kind == WINOBJ_SMALLTEXT || kind == WINOBJ_SMALLTEXT2 ||
           kind == WINOBJ_TEXTBUTTON;
}

const char* ItemText(const WINOBJ* o) { return o->kind == WINOBJ_TEXTBUTTON ? o->label : o->text; }

// A window text and the entry it came from.
struct Use {
    const WINDOW* window;
    int order;  // position in the window's item list, -1 for the caption
    int index;
};

class WindowTexts : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string gen = veltest::BuiltContentProgram("velmarine_content");
        if (gen.empty()) GTEST_SKIP() << "content generator not built";
        char buf[PATH_MAX];
        const std::string home = getcwd(buf, sizeof buf) ? buf : ".";
        dir_ = std::make_unique<veltest::TempDir>();
        ASSERT_EQ(chdir(home.c_str()), 0);
        const bool ready = veltest::PrepareContent(gen, dir_->Path());
        ASSERT_EQ(chdir(dir_->Path().c_str()), 0);
        ASSERT_TRUE(ready) << "content generation failed";
        myGlobs.firstEdition = 1;
        myGlobs.secondEdition = 0;
        myGlobs.useSignType = 0;
        for (const char* f : {"fontp", "font_taho", "font_taho2"}) ASSERT_NE(InitFont(f, 28, 0), nullptr) << f;
    }
    void TearDown() override {
        ReleaseFonts();
        myGlobs.firstEdition = 1;
        myGlobs.secondEdition = 0;
        dir_.reset();
        texts.Reload();
    }

    // Builds every window over the marker table, remembers where each text
    // came from, then builds them again over the bundled table.
    void BuildWindows() {
        const std::string bundled = veltest::ReadFile("texts.txt");
        ASSERT_FALSE(bundled.empty());
        std::string markers;
        for (int i = 0; i < 1000; ++i) markers += std::to_string(i) + " @" + std::to_string(i) + "\r\n#\r\n";
        veltest::WriteFile("texts.txt", markers);
        texts.Reload();
        Build();
        uses_.clear();
        for (WINDOW* w = windowList.GetFirst(); w; w = w->GetNextWindow()) {
            uses_.push_back({w, -1, MarkerIndex(w->GetCaption())});
            int order = 0;
            for (const WINOBJ* o = w->GetFirstWinobj(); o; o = o->next, ++order)
                if (IsTextKind(o->kind)) uses_.push_back({w, order, MarkerIndex(ItemText(o))});
        }
        veltest::WriteFile("texts.txt", bundled);
        texts.Reload();
        Build();
    }
    static void Build() {
        InitGameWindows();
        InitEditorWindows();
    }

    static const WINOBJ* ItemAt(const WINDOW* w, int order) {
        const WINOBJ* o = w->GetFirstWinobj();
        for (int i = 0; o && i < order; ++i) o = o->next;
        return o;
    }
    // The table entry of a window item's text; -1 when it is not one.
    int IndexOf(const WINDOW* w, const WINOBJ* item) const {
        int order = 0;
        for (const WINOBJ* o = w->GetFirstWinobj(); o && o != item; o = o->next) ++order;
        for (const Use& u : uses_)
            if (u.window == w && u.order == order) return u.index;
        return -1;
    }

    // The label of an item: its own text for a labelled button, else the
    // text on the same row nearest to it, to its right (a tick box with its
    // label beside it) or else to its left (a label column).
    static const WINOBJ* LabelOf(const WINDOW& w, int id) {
        const WINOBJ* item = w.FindWinobj(id);
        if (!item) return nullptr;
        if (item->kind == WINOBJ_TEXTBUTTON) return item;
        const WINOBJ* right = nullptr;
        const WINOBJ* left = nullptr;
        for (const WINOBJ* o = w.GetFirstWinobj(); o; o = o->next) {
            if (o->kind != WINOBJ_TEXT || std::abs(o->y - item->y) > 6) continue;
            if (o->x > item->x && o->x - item->x <= 40 && (!right || o->x < right->x)) right = o;
            if (o->x < item->x && (!left || o->x > left->x)) left = o;
        }
        return right ? right : left;
    }

    std::unique_ptr<veltest::TempDir> dir_;
    std::vector<Use> uses_;
};

bool SaysSomething(const char* text) { return text && text[0] && std::string(text) != "-"; }

std::string Describe(const WINDOW* w, int index) {
    return std::string("window \"") + w->GetCaption() + "\", text " + std::to_string(index);
}

TEST_F(WindowTexts, EveryWindowTextComesFromAnEntryThatSaysSomething) {
    BuildWindows();
    int fromTable = 0;
    for (const Use& u : uses_) {
        if (u.index < 0) {
            // Not from the table: only the texts the handlers fill in start
            // as literals, empty or a zero.
            const char* text = u.order < 0 ? u.window->GetCaption() : ItemText(ItemAt(u.window, u.order));
            EXPECT_TRUE(std::string(text).empty() || std::string(text) == "0")
                << "a literal \"" << text << "\" in window \"" << u.window->GetCaption() << "\"";
            continue;
        }
        ++fromTable;
        EXPECT_LT(u.index, texts.GetCount()) << Describe(u.window, u.index);
        EXPECT_TRUE(SaysSomething(texts.Get(u.index))) << Describe(u.window, u.index);
    }
    EXPECT_GT(fromTable, 200);
}

// What each options, selection, put-objects, put-vehicles, table and
// control attribute item sets, as its handler uses it; the label must name
// it, so that rewording cannot swap two labels again.
TEST_F(WindowTexts, LabelsNameWhatTheirItemsSet) {
    BuildWindows();
    struct Meaning {
        const WINDOW* window;
        int id;
        const char* word;
    };
    const Meaning meanings[] = {
        // Options: the settings the handler toggles.
        {&winOptions, 1, "grid"},
        {&winOptions, 2, "detail"},
        {&winOptions, 3, "label"},
        {&winOptions, 4, "tooltip"},
        {&winOptions, 5, "surround"},
        {&winOptions, 7, "edit"},
        {&winOptions, 8, "control"},
        {&winOptions, 9, "switch sign"},
        {&winOptions, 10, "water"},
        {&winOptions, 11, "autosave"},
        {&winOptions, 12, "animation"},
        {&winOptions, 14, "bridge"},
        {&winOptions, 15, "tunnel"},
        // Selection: pairs 1/2 pieces, 3/4 objects, 5/6 plants, 7/8 vehicles.
        {&winSelOpt, 2, "track"},
        {&winSelOpt, 4, "object"},
        {&winSelOpt, 6, "plant"},
        {&winSelOpt, 8, "vehicle"},
        // Put objects: the list each tab shows.
        {&winPutObj, 7, "house"},
        {&winPutObj, 14, "plant"},
        {&winPutObj, 8, "railway"},
        {&winPutObj, 11, "industr"},
        {&winPutObj, 12, "lamp"},
        {&winPutObj, 17, "sign"},
        {&winPutVehicles, 6, "engine"},
        {&winPutVehicles, 7, "wagon"},
        {&winPutVehicles, 8, "coach"},
        // New table: the layout mode (3: power-driven, 4: not).
        {&winTableSize, 3, "power"},
        {&winTableSize, 4, "free"},
        // Control attributes: direction keys and vehicle mask bits.
        {&winSAttr, 4, "either"},
        {&winSAttr, 5, "backward"},
        {&winSAttr, 6, "forward"},
        {&winAttr, 18, "either"},
        {&winSAttr, 14, "any"},
        {&winSAttr, 15, "group 1"},
        {&winSAttr, 16, "group 2"},
        {&winSAttr, 17, "group 3"},
        {&winSAttr, 1, "straight"},
        {&winSAttr, 2, "curve"},
        {&winSAttr, 3, "toggle"},
        {&winAttr, 1, "on"},
        {&winAttr, 2, "off"},
        {&winBarAttr, 1, "open"},
        {&winBarAttr, 2, "close"},
        {&winSoundAttr, 1, "once"},
        {&winSoundAttr, 2, "start"},
        {&winSoundAttr, 3, "stop"},
        {&winVehicleAttrib, 1, "no group"},
        {&winVehicleAttrib, 2, "group 1"},
        {&winVehicleAttrib, 4, "group 3"},
        // The check box of the feature windows puts the feature in the
        // control table; the labelled button removes the feature.
        {&winSwitchAttrib, 2, "table"},
        {&winPowerValue, 2, "table"},
        {&winDetachAttrib, 2, "table"},
        {&winPowerValue, 3, "remove"},
        {&winAttr, 12, "remove"},
    };
    for (const Meaning& m : meanings) {
        const WINOBJ* label = LabelOf(*m.window, m.id);
        ASSERT_NE(label, nullptr) << "item " << m.id << " of \"" << m.window->GetCaption() << "\" has no label";
        const std::string text = Lower(ItemText(label));
        EXPECT_NE(text.find(m.word), std::string::npos)
            << "item " << m.id << " of \"" << m.window->GetCaption() << "\" is labelled \"" << ItemText(label)
            << "\", not \"" << m.word << "\"";
    }
    // Two labels of one window never read alike.
    for (const WINDOW* w : {&winOptions, &winSelOpt, &winPutObj, &winSAttr}) {
        std::set<std::string> seen;
        for (const WINOBJ* o = w->GetFirstWinobj(); o; o = o->next) {
            if (IsTextKind(o->kind) && SaysSomething(ItemText(o)) && std::string(ItemText(o)) != "0") {
                EXPECT_TRUE(seen.insert(ItemText(o)).second) << ItemText(o);
            }
        }
    }
    // The first edition has no music: its options show no label for it.
    EXPECT_EQ(LabelOf(winOptions, 13), nullptr);
    myGlobs.firstEdition = 0;
    myGlobs.secondEdition = 1;
    Build();
    const WINOBJ* music = LabelOf(winOptions, 13);
    ASSERT_NE(music, nullptr);
    EXPECT_NE(Lower(music->text).find("music"), std::string::npos) << music->text;
}

// The object control window names its three choices through items 21 to
// 23, which the object control lists rename.
TEST_F(WindowTexts, ObjectControlChoicesAreItemsTheListsRename) {
    BuildWindows();
    for (int i = 0; i < 3; ++i) {
        const WINOBJ* label = LabelOf(winObjAttr, 1 + i);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->id, 21 + i);
    }
    SetWinobjText(&winObjAttr, 22, "Signal red");
    EXPECT_STREQ(LabelOf(winObjAttr, 2)->text, "Signal red");
}

// Every label, caption and labelled button lies inside its window's frame,
// clear of the right column, and captions stop before the close box.
TEST_F(WindowTexts, LabelsFitTheirWindows) {
    BuildWindows();
    const WINDOW* unreachable[] = {&winRootcheckEd, &winCameraPath, &winCameraPathPlay, &winCameraPathRecord,
                                   &winInfoText};
    for (WINDOW* w = windowList.GetFirst(); w; w = w->GetNextWindow()) {
        if (w->GetStyle() != WINSTYLE_ALTBACK) continue;
        if (std::find(std::begin(unreachable), std::end(unreachable), w) != std::end(unreachable)) continue;
        const int width = w->GetRight() - w->GetLeft() + 1;
        int captionWidth = 0;
        MeasureFontText("font_taho", w->GetCaption(), 17, &captionWidth, nullptr);
        EXPECT_LE(15 + captionWidth, width - 47) << "caption \"" << w->GetCaption() << "\"";
        for (const WINOBJ* o = w->GetFirstWinobj(); o; o = o->next) {
            if (!IsTextKind(o->kind) || !SaysSomething(ItemText(o))) continue;
            int textWidth = o->w;
            if (o->kind != WINOBJ_TEXTBUTTON) MeasureFontText(o->fontName, o->text, o->fontSize, &textWidth, nullptr);
            EXPECT_GE(o->x, 4) << "\"" << ItemText(o) << "\" in \"" << w->GetCaption() << "\"";
            EXPECT_LE(o->x + textWidth, width - 23) << "\"" << ItemText(o) << "\" in \"" << w->GetCaption() << "\"";
        }
    }
}

// The small captions of the tool windows: three to a row, each under its
// picture and clear of its neighbours.
TEST_F(WindowTexts, ToolCaptionsStayUnderTheirPictures) {
    BuildWindows();
    for (const WINDOW* w : {&winBuildTracks, &winEdTerrain}) {
        std::vector<const WINOBJ*> captions;
        for (const WINOBJ* o = w->GetFirstWinobj(); o; o = o->next)
            if (o->kind == WINOBJ_SMALLTEXT && o->y < 400 && SaysSomething(o->text) && std::string(o->text) != "0")
                captions.push_back(o);
        ASSERT_GE(captions.size(), 6u) << w->GetCaption();
        for (const WINOBJ* a : captions)
            for (const WINOBJ* b : captions) {
                if (a == b || a->y != b->y || a->x > b->x) continue;
                int aw = 0;
                MeasureFontText("font_taho2", a->text, a->fontSize, &aw, nullptr);
                EXPECT_LT(a->x + aw, b->x) << "\"" << a->text << "\" runs into \"" << b->text << "\"";
            }
    }
}

// Texts shown as messages, tooltips, on the menu and in the palette.
TEST_F(WindowTexts, MessagesTooltipsAndMenuHaveTextsOfTheirOwn) {
    BuildWindows();
    const int messages[] = {7,   24,  25,  26,  27,  31,  32,  33,  34,  42,  43,  44,  45,  46,  47,  48,
                            49,  64,  73,  123, 129, 214, 257, 260, 270, 271, 290, 296, 297, 298, 319, 323,
                            337, 338, 339, 340, 350, 357, 358, 362, 363, 364, 370, 382, 397, 400};
    for (int n : messages) {
        EXPECT_TRUE(SaysSomething(texts.Get(n))) << "message " << n;
        EXPECT_LT(std::string(texts.Get(n)).size(), 100u) << "message " << n;
    }
    // Each refusal of a join, and each removal, has its own message.
    std::set<std::string> distinct;
    for (int n : {42, 43, 44, 45, 46, 47, 48, 49}) EXPECT_TRUE(distinct.insert(texts.Get(n)).second) << n;
    distinct.clear();
    for (int n : {24, 25, 26, 27, 397, 400}) EXPECT_TRUE(distinct.insert(texts.Get(n)).second) << n;
    // The message before an autosave does not announce a failure.
    EXPECT_EQ(Lower(texts.Get(357)).find("fail"), std::string::npos);

    const int tooltips[] = {156, 164, 168, 167, 157, 158, 154, 155, 159, 160,
                            161, 162, 163, 165, 128, 389, 390, 169, 361, 166};
    for (int n : tooltips) {
        EXPECT_TRUE(SaysSomething(texts.Get(n))) << "tooltip " << n;
        int width = 0;
        MeasureFontText("font_taho2", texts.Get(n), 15, &width, nullptr);
        EXPECT_LE(width, 790) << "tooltip " << n;
    }
    // The two states of a toggling button say different things.
    EXPECT_STRNE(texts.Get(157), texts.Get(158));
    EXPECT_STRNE(texts.Get(389), texts.Get(390));

    // Menu button labels fit their 256-pixel plates at size 44, and the
    // line at the foot of the menu ends inside the screen.
    for (int n : {277, 279, 282, 291}) {
        EXPECT_TRUE(SaysSomething(texts.Get(n))) << n;
        int width = 0;
        MeasureFontText("fontp", texts.Get(n), 44, &width, nullptr);
        EXPECT_LE(width, 256 - 20) << texts.Get(n);
    }
    // The information panel's lines fit the panel (370 wide) in their sizes.
    for (int id = 1; id <= 7; ++id) {
        const WINOBJ* line = winInfoPanel.FindWinobj(id);
        ASSERT_NE(line, nullptr);
        EXPECT_TRUE(SaysSomething(line->text)) << id;
        int width = 0;
        MeasureFontText(line->fontName, line->text, line->fontSize, &width, nullptr);
        EXPECT_LE(width, 370 - 20) << line->text;
    }
    int footWidth = 0;
    MeasureFontText("fontp", texts.Get(325), 18, &footWidth, nullptr);
    EXPECT_LE(630 + footWidth, 800);

    // Track type names fit the palette rows (100 wide, less the scroll bar).
    for (int n : {117, 118, 119, 120, 121, 122, 138}) {
        int width = 0;
        MeasureFontText("font_taho2", texts.Get(n), 15, &width, nullptr);
        EXPECT_LE(3 + width, 100 - 12) << texts.Get(n);
    }
}

}  // namespace
