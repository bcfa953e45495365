// A push button: pressed while the left button is held over it, acting when the button is released over it.
#pragma once

#include "pw2_control_look.h"
#include "pw2_window.h"
#include "qzcallback.h"
#include "qzstring.h"

class pw2_Control_Button : public pw2_Window {
public:
    pw2_Control_Button(pw2_Main* main, pw2_Window* parent);

    void Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseDown(int button, bool doubleclick) override;
    void OnMouseUp(int button) override;
    void OnMouseMove() override;

    void SetText(const qzString& _text) { text = _text; }
    const qzString& GetText() const { return text; }
    void SetOnClick(qzCallback<> callback) { onclick = callback; }
    void SetGridPosition(int32_t column, int32_t row, int32_t columns, int32_t rows, bool joinleft = false,
                         bool joinright = false, bool jointop = false, bool joinbottom = false);
    bool IsPressed() const { return pressed; }
    int32_t GetTextX() const { return textx; }
    int32_t GetTextY() const { return texty; }

    // The face by hover and press, and the caption centred on its anchor.
    pw2_CaptionedLook GetLook() const;

private:
    bool pressed = false;
    qzString text;
    int32_t textx = 0;
    int32_t texty = 0;
    qzCallback<> onclick;
};
