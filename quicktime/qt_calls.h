// One call entry per QuickTime routine the saver uses. Each runs the loader's pre-call hook,
// if any, then hands its selector and arguments to the current dispatcher.
#pragma once

#include "quicktime/qt_types.h"

// Movies
OSErr EnterMovies();
void ExitMovies();
void MoviesTask(Movie movie, LONG maxMilliSecToUse);
void StartMovie(Movie movie);
void StopMovie(Movie movie);
void DisposeMovie(Movie movie);
TimeValue GetMovieDuration(Movie movie);
short GetMovieVolume(Movie movie);
void SetMovieVolume(Movie movie, short volume);
TimeValue GetMovieTime(Movie movie, TimeRecord* currentTime);
void SetMovieTime(Movie movie, const TimeRecord* newTime);
OSErr CloseMovieFile(short resRefNum);
Boolean IsMovieDone(Movie movie);
OSErr NewMovieFromFile(Movie* movie, short resRefNum, short* resId, StringPtr resName,
                       short newMovieFlags, Boolean* dataRefWasChanged);
void GetMovieBox(Movie movie, Rect* box);
void SetMovieBox(Movie movie, const Rect* box);
OSErr OpenMovieFile(const FSSpec* fileSpec, short* resRefNum, signed char permission);

// Files
OSErr FSMakeFSSpec(short vRefNum, LONG dirID, const unsigned char* fileName, FSSpec* fileSpec);

// Graphics worlds
void SetGWorld(CGrafPtr port, GDHandle device);

// Windows integration
GrafPtr CreatePortAssociation(void* window, void* storage, LONG flags);
GrafPtr GetNativeWindowPort(void* window);
OSErr InitializeQTML(LONG flags);
void TerminateQTML();
Boolean QtOnDemandReleaseQuery();

// Strings, converted in place
StringPtr c2pstr(char* text);
char* p2cstr(StringPtr text);
