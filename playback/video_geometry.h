// Places the picture of a screen's item: sized and centred by the display size and aspect
// ratio settings, black around it.
#pragma once

struct Screen;

void LayoutVideo(Screen& screen);
