// Arms when the mouse comes to rest over a window with a tooltip and shows it once the mouse has stayed
// more than 600 ms; any click or key hides it again.
#pragma once

#include <cstdint>

class pw2_Main;

constexpr uint32_t PW2_TOOLTIP_DELAY = 600;

class pw2_TooltipTimer {
public:
    // The clock is GetTime unless a test gives its own.
    explicit pw2_TooltipTimer(pw2_Main* main, uint32_t (*clock)() = nullptr);

    void OnHoverChanged();
    void OnInput();
    void Update();

    bool IsArmed() const { return armed; }
    // Milliseconds until Update shows the armed tooltip; 0 when it is due.
    uint32_t GetTimeToShow() const;
    bool IsShown() const { return shown; }
    int32_t GetShownX() const { return shownx; }
    int32_t GetShownY() const { return showny; }

private:
    pw2_Main* main;
    uint32_t (*clock)();
    uint32_t timestamp = 0;
    bool armed = false;
    bool shown = false;
    int32_t shownx = 0;
    int32_t showny = 0;
};
