#include "pw2_control_dropdown.h"
#include "test_pw2_control_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DropdownTest : ControlTest {
    ControlOwner owner;
    pw2_Control_Dropdown* dropdown = nullptr;
    void SetUp() override {
        ControlTest::SetUp();
        dropdown = Make(3, 10, 10); // absolute 51, 51, 88 x 18
    }
    pw2_Control_Dropdown* Make(uint32_t entries, int32_t column, int32_t row) {
        auto* d = new pw2_Control_Dropdown(app.get(), app->GetRootWindow());
        d->SetGridPosition(column, row, 18, 4);
        d->SetStateCount(entries);
        for (uint32_t i = 0; i < entries; ++i)
            d->SetState(i, ("Entry " + std::to_string(i)).c_str());
        d->SetOnSelect(qzCallback<uint32_t>::Bind<&ControlOwner::Select>(&owner));
        d->SetOnIndex(qzCallback<uint32_t()>::Bind<&ControlOwner::Index>(&owner));
        return d;
    }
    pw2_Control_Dropdown_Popup* Open(pw2_Control_Dropdown* d) {
        Click(d->GetAbsoluteX() + 5, d->GetAbsoluteY() + 5);
        return d->GetPopup();
    }
};

} // namespace

TEST_F(DropdownTest, OwnerIndexBeyondTheListShowsTheLastEntryAndStatesOutsideItAreRefused) {
    EXPECT_EQ(dropdown->GetSelectedIndex(), 0u);
    for (uint32_t index : {3u, 0xFFFFFFFFu}) {
        owner.index = index;
        EXPECT_EQ(dropdown->GetSelectedIndex(), 2u);
    }
    dropdown->SetOnIndex(qzCallback<uint32_t()>());
    EXPECT_EQ(dropdown->GetSelectedIndex(), 0u);
    // With no entries there is nothing to clamp to.
    dropdown->SetOnIndex(qzCallback<uint32_t()>::Bind<&ControlOwner::Index>(&owner));
    dropdown->SetStateCount(0);
    EXPECT_EQ(dropdown->GetSelectedIndex(), 0u);
    EXPECT_DEATH(dropdown->GetState(0), "Expression: index<states.size\\(\\)");
    EXPECT_DEATH(dropdown->ClosePopup(), "Expression: popup!=NULL");
}
TEST_F(DropdownTest, PopupOpensBelowWhenItFitsFromTheTopEdgeElseAbove) {
    // 3 entries: 52 high; 5 entries: 84.
    pw2_Control_Dropdown_Popup* popup = Open(dropdown);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetAbsoluteX(), 51);
    EXPECT_EQ(popup->GetAbsoluteY(), 51 + 18);
    EXPECT_EQ(popup->GetWidth(), 88);
    EXPECT_EQ(popup->GetHeight(), 52);
    Key(27);
    EXPECT_EQ(dropdown->GetPopup(), nullptr);

    // The fit is measured from the dropdown's top: a top at 600 - 84 still opens below, one pixel lower opens
    // above.
    for (int32_t top : {600 - 84, 600 - 83, 590}) {
        pw2_Control_Dropdown* d = Make(5, 100, 0);
        d->SetRect(300, top, 80, 18);
        pw2_Control_Dropdown_Popup* p = Open(d);
        ASSERT_NE(p, nullptr) << top;
        EXPECT_EQ(p->GetHeight(), 84);
        EXPECT_EQ(p->GetAbsoluteY(), top <= 600 - 84 ? top + 18 : top - 84) << top;
        Key(27);
        delete d;
    }
}

TEST_F(DropdownTest, KeysMoveWithinTheListAndEnterChoosesWhileEscapeDoesNot) {
    owner.index = 1;
    pw2_Control_Dropdown_Popup* popup = Open(dropdown);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetHighlightedIndex(), 1u);
    for (int8_t key : {38, 38})
        Key(key);
    EXPECT_EQ(popup->GetHighlightedIndex(), 0u) << "the up arrow stops at the first entry";
    for (int8_t key : {40, 40, 40})
        Key(key);
    EXPECT_EQ(popup->GetHighlightedIndex(), 2u) << "the down arrow stops at the last";
    Key('A');
    EXPECT_EQ(popup->GetHighlightedIndex(), 2u);
    Key(13);
    EXPECT_EQ(owner.selected, (std::vector<uint32_t>{2}));
    EXPECT_EQ(dropdown->GetPopup(), nullptr);
    EXPECT_TRUE(app->GetPopups().empty());
    EXPECT_EQ(app->GetActiveWindow(), app->GetRootWindow());

    popup = Open(dropdown);
    Key(40);
    Key(27);
    EXPECT_EQ(owner.selected.size(), 1u) << "escape chooses nothing";
    popup = Open(dropdown);
    Key(32);
    EXPECT_EQ(owner.selected, (std::vector<uint32_t>{2, 1}))
        << "space chooses the owner's index it started at";
}

TEST_F(DropdownTest, MouseChoosesInTheItemAreaOnlyAndAPressOutsideCloses) {
    pw2_Control_Dropdown_Popup* popup = Open(dropdown); // 51, 69, 88 x 52: rows at y 71, 87, 103
    ASSERT_NE(popup, nullptr);
    Move(60, 95);
    EXPECT_EQ(popup->GetHighlightedIndex(), 1u);
    Move(60, 70); // the top border: no change
    EXPECT_EQ(popup->GetHighlightedIndex(), 1u);
    Move(60, 118); // the last pixel row of the item area
    EXPECT_EQ(popup->GetHighlightedIndex(), 2u);
    Move(60, 71);
    EXPECT_EQ(popup->GetHighlightedIndex(), 0u);
    // A press and release in the border chooses nothing and leaves it open.
    Press(52, 80);
    Release(52, 80);
    EXPECT_EQ(dropdown->GetPopup(), popup);
    EXPECT_TRUE(owner.selected.empty());
    // A press outside closes it without a choice and reaches no other window.
    Press(400, 300);
    EXPECT_EQ(dropdown->GetPopup(), nullptr);
    Release(400, 300);
    EXPECT_TRUE(owner.selected.empty());

    // Click, then click an entry.
    popup = Open(dropdown);
    Click(70, 90);
    EXPECT_EQ(owner.selected, (std::vector<uint32_t>{1}));
    EXPECT_EQ(dropdown->GetPopup(), nullptr);

    // Press on the box, drag onto an entry and release there.
    Press(60, 55);
    ASSERT_NE(dropdown->GetPopup(), nullptr);
    EXPECT_EQ(app->GetActiveWindow(), dropdown->GetPopup()) << "active at once, during the drag";
    Move(60, 110);
    Release(60, 110);
    EXPECT_EQ(owner.selected, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(dropdown->GetPopup(), nullptr);
}

TEST_F(DropdownTest, AListWithoutEntriesOpensEmptyAndChoosesNothing) {
    dropdown->SetStateCount(0);
    pw2_Control_Dropdown_Popup* popup = Open(dropdown);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetHeight(), 4);
    Key(40);
    Key(38);
    Move(60, 71);
    EXPECT_EQ(popup->GetHighlightedIndex(), 0u);
    Key(13);
    EXPECT_TRUE(owner.selected.empty());
    EXPECT_EQ(dropdown->GetPopup(), nullptr);
}

TEST_F(DropdownTest, AnOpenPopupGoesWithItsDropdownAndWithTheWholeTree) {
    pw2_Control_Dropdown_Popup* popup = Open(dropdown);
    ASSERT_NE(popup, nullptr);
    delete dropdown;
    EXPECT_TRUE(app->GetPopups().empty());
    EXPECT_EQ(app->GetActiveWindow(), app->GetRootWindow());
    // Open at shutdown: the root takes the popup first, and the dropdown must not take it again.
    dropdown = Make(3, 10, 10);
    Open(dropdown);
    ASSERT_NE(dropdown->GetPopup(), nullptr);
    app.reset();
}
