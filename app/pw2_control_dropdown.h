// A box showing one entry of a short list; pressing it opens a popup list over the interface in which an
// entry is chosen with the mouse or the keys. The owner keeps the selection: the dropdown asks for the
// current index and reports the chosen one through its callbacks.
#pragma once

#include "pw2_control_look.h"
#include "pw2_window.h"
#include "qzcallback.h"
#include "qzstring.h"

#include <cstdint>
#include <vector>

class pw2_Control_Dropdown_Popup;

constexpr int32_t PW2_POPUP_ROW_HEIGHT = 16;
constexpr int32_t PW2_POPUP_BORDER = 2;

struct pw2_DropdownLook {
    pw2_FaceLook face;
    pw2_TriangleLook arrow;
    pw2_TextLook text;
};

class pw2_Control_Dropdown : public pw2_Window {
public:
    pw2_Control_Dropdown(pw2_Main* main, pw2_Window* parent);
    // An open popup goes with its dropdown.
    ~pw2_Control_Dropdown() override;

    void Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseDown(int button, bool doubleclick) override;

    void SetGridPosition(int32_t column, int32_t row, int32_t columns, int32_t rows);
    void SetStateCount(uint32_t count);
    uint32_t GetStateCount() const { return static_cast<uint32_t>(states.size()); }
    void SetState(uint32_t index, const qzString& text);
    const qzString& GetState(uint32_t index) const;
    void SetOnSelect(qzCallback<uint32_t> callback) { onselect = callback; }
    void SetOnIndex(qzCallback<uint32_t()> callback) { onindex = callback; }

    // The owner's index, shown as the last entry when it lies beyond the list; 0 without an index callback
    // or without entries.
    uint32_t GetSelectedIndex() const;
    void Select(uint32_t index);
    void ClosePopup();
    pw2_Control_Dropdown_Popup* GetPopup() const { return popup; }

    // The face (pressed while the popup is open), the arrow and the selected entry's text anchor.
    pw2_DropdownLook GetLook() const;

private:
    friend class pw2_Control_Dropdown_Popup;

    std::vector<qzString> states;
    qzCallback<uint32_t> onselect;
    qzCallback<uint32_t()> onindex;
    pw2_Control_Dropdown_Popup* popup = nullptr;
};

struct pw2_DropdownPopupLook {
    pw2_QuadLook body;
    pw2_QuadLook highlight;
    pw2_FrameLook frame;
};

// Child of the root window, so its rectangle is in client coordinates. It is on the popup stack while it
// lives and so receives all input.
class pw2_Control_Dropdown_Popup : public pw2_Window {
public:
    // Opens below the dropdown if it fits in the client area, measured from the dropdown's top edge, else
    // above it; it becomes the active window at once.
    explicit pw2_Control_Dropdown_Popup(pw2_Control_Dropdown* dropdown);
    ~pw2_Control_Dropdown_Popup() override;

    void Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) override;
    void OnKeyDown(int8_t key, bool repeat) override;
    void OnMouseDown(int button, bool doubleclick) override;
    void OnMouseUp(int button) override;
    void OnMouseMove() override;

    pw2_Control_Dropdown* GetDropdown() const { return dropdown; }
    uint32_t GetHighlightedIndex() const { return highlighted; }
    // Inside the popup less its border.
    bool IsInItemArea(int32_t px, int32_t py) const;

    pw2_DropdownPopupLook GetLook() const;
    // Left-aligned, vertically centred in its row.
    pw2_TextLook GetRowTextLook(uint32_t index) const;

private:
    pw2_Control_Dropdown* dropdown;
    uint32_t highlighted;
};
