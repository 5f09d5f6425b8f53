// The configuration dialog (template 2003).
#pragma once

#include <windows.h>

extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Decisions of the dialog
// The five group boxes, whose captions are drawn in blue.
bool IsGroupCaption(int controlId);
// The trackbar runs from 0 (full volume, top) to 10000 (silence, bottom).
int TrackbarPositionForVolume(int volume);
// The list view's one column leaves room for the vertical scroll bar.
int ColumnWidthFor(int listViewWidth);
