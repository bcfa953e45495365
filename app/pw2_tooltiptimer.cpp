#include "pw2_tooltiptimer.h"

#include "pw2_main.h"
#include "pw2_window.h"
#include "qztime.h"

pw2_TooltipTimer::pw2_TooltipTimer(pw2_Main* main, uint32_t (*clock)())
    : main(main), clock(clock != nullptr ? clock : GetTime) {}

void pw2_TooltipTimer::OnHoverChanged() {
    timestamp = clock();
    pw2_Window* active = main->GetActiveWindow();
    armed = active != nullptr && !active->GetTooltip().IsEmpty();
    if (shown) {
        shown = false;
        main->RequestRedraw();
    }
}

void pw2_TooltipTimer::OnInput() {
    armed = false;
    if (shown) {
        shown = false;
        main->RequestRedraw();
    }
}

uint32_t pw2_TooltipTimer::GetTimeToShow() const {
    uint32_t elapsed = qzTimeDifference(clock(), timestamp);
    return elapsed > PW2_TOOLTIP_DELAY ? 0 : PW2_TOOLTIP_DELAY + 1 - elapsed;
}

void pw2_TooltipTimer::Update() {
    if (!armed || qzTimeDifference(clock(), timestamp) <= PW2_TOOLTIP_DELAY)
        return;
    armed = false;
    shown = true;
    shownx = main->GetMainWindow().GetMouseX();
    showny = main->GetMainWindow().GetMouseY();
    main->RequestRedraw();
}
