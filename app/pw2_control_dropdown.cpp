#include "pw2_control_dropdown.h"

#include "pw2_control_grid.h"
#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "qzassert.h"
#include "qztextlayout.h"

pw2_Control_Dropdown::pw2_Control_Dropdown(pw2_Main* main, pw2_Window* parent) : pw2_Window(main, parent) {}

void pw2_Control_Dropdown::Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    GetMain()->GetGraphicsController()->DrawDropdown(this, clipx, clipy, clipwidth, clipheight);
}

pw2_Control_Dropdown::~pw2_Control_Dropdown() {
    // the popup hangs from the root, not from the dropdown, so the tree would not take it along
    delete popup;
}

void pw2_Control_Dropdown::OnMouseEnter() {
    GetMain()->RequestRedraw();
}

void pw2_Control_Dropdown::OnMouseLeave() {
    GetMain()->RequestRedraw();
}

void pw2_Control_Dropdown::OnMouseDown(int button, bool) {
    if (button != 1 || popup != nullptr)
        return;
    popup = new pw2_Control_Dropdown_Popup(this);
    GetMain()->RequestRedraw();
}

void pw2_Control_Dropdown::SetGridPosition(int32_t column, int32_t row, int32_t columns, int32_t rows) {
    pw2_PlaceOnGrid(*this, column, row, columns, rows);
}

void pw2_Control_Dropdown::SetStateCount(uint32_t count) {
    states.assign(count, qzString());
}

void pw2_Control_Dropdown::SetState(uint32_t index, const qzString& text) {
    QZASSERT(index < states.size(), "index<states.size()");
    states[index] = text;
}

const qzString& pw2_Control_Dropdown::GetState(uint32_t index) const {
    QZASSERT(index < states.size(), "index<states.size()");
    return states[index];
}

uint32_t pw2_Control_Dropdown::GetSelectedIndex() const {
    if (onindex.IsEmpty() || states.empty())
        return 0;
    uint32_t index = onindex();
    return index < states.size() ? index : static_cast<uint32_t>(states.size()) - 1;
}

void pw2_Control_Dropdown::Select(uint32_t index) {
    if (!onselect.IsEmpty())
        onselect(index);
}

void pw2_Control_Dropdown::ClosePopup() {
    QZASSERT(popup != nullptr, "popup!=NULL");
    delete popup;
    GetMain()->RequestRedraw();
}

pw2_DropdownLook pw2_Control_Dropdown::GetLook() const {
    const int32_t x = GetAbsoluteX(), y = GetAbsoluteY(), w = GetWidth(), h = GetHeight();
    const float cx = static_cast<float>(x + w - 7), cy = static_cast<float>(y + h / 2);
    return {
        pw2_ComputeFace(x, y, w, h, pw2_SelectFaceColors(pw2_DropdownColors(), IsActive(), popup != nullptr)),
        {{cx - 3, cx + 3, cx}, {cy - 1.5f, cy - 1.5f, cy + 1.5f}, PW2_COLOR_CONTROL_FRAME},
        {x + w / 2 - 4, y + h / 2, QZALIGN_CENTER, QZALIGN_MIDDLE, PW2_COLOR_TEXT}};
}

pw2_Control_Dropdown_Popup::pw2_Control_Dropdown_Popup(pw2_Control_Dropdown* dropdown)
    : pw2_Window(dropdown->GetMain(), dropdown->GetMain()->GetRootWindow()), dropdown(dropdown),
      highlighted(dropdown->GetSelectedIndex()) {
    const int32_t width = dropdown->GetWidth();
    const int32_t height =
        static_cast<int32_t>(dropdown->GetStateCount()) * PW2_POPUP_ROW_HEIGHT + 2 * PW2_POPUP_BORDER;
    const int32_t x = dropdown->GetAbsoluteX(), y = dropdown->GetAbsoluteY();
    // the fit is measured from the dropdown's top edge
    if (y + height <= GetMain()->GetMainWindow().GetClientHeight())
        SetRect(x, y + dropdown->GetHeight(), width, height);
    else
        SetRect(x, y - height, width, height);
    GetMain()->OpenPopup(this);
}

pw2_Control_Dropdown_Popup::~pw2_Control_Dropdown_Popup() {
    // also when the root's teardown takes the popup before its dropdown
    dropdown->popup = nullptr;
}

void pw2_Control_Dropdown_Popup::Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    GetMain()->GetGraphicsController()->DrawDropdownPopup(this, clipx, clipy, clipwidth, clipheight);
}

bool pw2_Control_Dropdown_Popup::IsInItemArea(int32_t px, int32_t py) const {
    const int32_t x = GetAbsoluteX(), y = GetAbsoluteY();
    return x + PW2_POPUP_BORDER <= px && px < x + GetWidth() - PW2_POPUP_BORDER &&
           y + PW2_POPUP_BORDER <= py && py < y + GetHeight() - PW2_POPUP_BORDER;
}

void pw2_Control_Dropdown_Popup::OnKeyDown(int8_t key, bool) {
    const uint32_t count = dropdown->GetStateCount();
    switch (key) {
    case 38: // up
        if (highlighted > 0) {
            --highlighted;
            GetMain()->RequestRedraw();
        }
        break;
    case 40: // down
        if (highlighted + 1 < count) {
            ++highlighted;
            GetMain()->RequestRedraw();
        }
        break;
    case 32: // space
    case 13: // enter
        // a list without entries has nothing to choose
        if (count > 0)
            dropdown->Select(highlighted);
        dropdown->ClosePopup(); // deletes this
        break;
    case 27:                    // escape
        dropdown->ClosePopup(); // deletes this
        break;
    default:
        break;
    }
}

void pw2_Control_Dropdown_Popup::OnMouseDown(int button, bool) {
    if (button != 1)
        return;
    qzWindow& window = GetMain()->GetMainWindow();
    if (!Contains(window.GetMouseX(), window.GetMouseY()))
        dropdown->ClosePopup(); // deletes this
}

void pw2_Control_Dropdown_Popup::OnMouseMove() {
    qzWindow& window = GetMain()->GetMainWindow();
    const uint32_t count = dropdown->GetStateCount();
    if (count == 0 || !IsInItemArea(window.GetMouseX(), window.GetMouseY()))
        return;
    int32_t row = (window.GetMouseY() - GetAbsoluteY() - PW2_POPUP_BORDER) / PW2_POPUP_ROW_HEIGHT;
    uint32_t index = row < 0 ? 0 : static_cast<uint32_t>(row);
    if (index >= count)
        index = count - 1;
    if (index != highlighted) {
        highlighted = index;
        GetMain()->RequestRedraw();
    }
}

void pw2_Control_Dropdown_Popup::OnMouseUp(int button) {
    if (button != 1)
        return;
    qzWindow& window = GetMain()->GetMainWindow();
    if (!IsInItemArea(window.GetMouseX(), window.GetMouseY()))
        return;
    if (dropdown->GetStateCount() > 0)
        dropdown->Select(highlighted);
    dropdown->ClosePopup(); // deletes this
}

pw2_DropdownPopupLook pw2_Control_Dropdown_Popup::GetLook() const {
    const int32_t x = GetAbsoluteX(), y = GetAbsoluteY(), w = GetWidth(), h = GetHeight();
    const int32_t top = y + PW2_POPUP_ROW_HEIGHT * static_cast<int32_t>(highlighted) + PW2_POPUP_BORDER;
    return {pw2_SolidQuad(x + 1, y + 1, x + w - 1, y + h - 1, PW2_COLOR_POPUP_BODY),
            pw2_SolidQuad(x + 2, top, x + w - 2, top + PW2_POPUP_ROW_HEIGHT, PW2_COLOR_POPUP_HIGHLIGHT),
            {x, y, x + w - 1, y + h - 1, PW2_COLOR_CONTROL_FRAME}};
}

pw2_TextLook pw2_Control_Dropdown_Popup::GetRowTextLook(uint32_t index) const {
    return {GetAbsoluteX() + 4, GetAbsoluteY() + PW2_POPUP_ROW_HEIGHT * static_cast<int32_t>(index) + 10,
            QZALIGN_LEFT, QZALIGN_MIDDLE, PW2_COLOR_TEXT};
}
