// Places the picture of a screen's item: sized and centred by the display size and aspect
// ratio settings, black around it.
#pragma once

class Player;
struct Screen;

void LayoutVideo(Screen& screen);
// The same place for a player whose item is opened ahead of its turn, painting nothing.
void PlaceAhead(Screen& screen, Player& player);
