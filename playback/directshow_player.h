// Plays one item through a DirectShow filter graph, drawn by the VMR9 into a picture window of
// its own in full screen and into the screen's window in preview (or by the graph's own video
// window inside that). Every failing call goes to CheckResult.
#pragma once

#include "playback/playback_graph.h"
#include "playback/player.h"

// Keyboard seeking: the step in seconds and the key-downs since the last reset.
extern long long seekStep;
extern long long seekRepeatCount;

class DirectShowPlayer : public Player {
public:
    DirectShowPlayer();
    ~DirectShowPlayer() override;

    PlayerOpen Open(HWND window, const wchar_t* path) override;
    // Stops and releases the graph (StopAndReleaseGraph's work): every path that ends an item
    // comes through here.
    void Close() override;

    VideoSize Size() override;
    void Place(const RECT& destination, const RECT& visible) override;
    bool Paint(HDC dc, RECT* picture) override;
    void DisplayChanged() override;
    HWND PictureWindow() const override { return picture_; }
    void RepaintPicture(HWND window, HDC dc) override;
    void Hide() override;
    void Hold() override;

    void StartAt(LONGLONG position) override;
    bool Rewind() override;
    LONGLONG Duration() override;
    LONGLONG Position() override;
    void Stop();

    void SeekStep(bool forwards) override;
    void EndSeek() override;

    void ChangeVolume(int step) override;
    void Rest() override;
    void Wake() override;

    // Reads the graph's events; a completed graph ends the item.
    PlayerNews HandleEvent(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The record, open to the tests that stand fakes in for DirectShow's objects, and the
    // window the picture is drawn in.
    PlaybackGraph graph;
    HWND window = nullptr;

private:
    void SeekBackwards();
    void SeekForwards();
    void FinishSeek(LONGLONG position);
    bool Running();
    void OpenSound();

    // Where the renderer draws: the picture's own window in full screen, else the screen's.
    HWND Target() const { return picture_ != nullptr ? picture_ : window; }

    HWND picture_ = nullptr;
    bool resting_ = false;
    LONGLONG restPosition_ = 0;

    VideoSize size_ = {0, 0, 0, 0}; // as Size last read it
};
