// Whether the network share of a stored path answers. A share that is asleep or out of reach
// would hold every query on it until the network gives up, so it is asked on a worker thread
// and given up on after a bound.
#pragma once

#include <windows.h>

#include <stddef.h>

// How long the playlist waits for a share to answer.
constexpr DWORD kShareAnswerMs = 2000;

// The share part ("\\?\UNC\server\share") of a query text; false for a query text that names
// no network share.
bool ShareRootOfQuery(const wchar_t* query, wchar_t* root, size_t size);

// True unless the query text's share did not answer within the bound, now or at an earlier
// entry of the same playlist. True for a query text that names no network share.
bool ShareAnswers(const wchar_t* query);
// Forgets the answers; a new playlist asks again.
void ForgetShareAnswers();

// The query made of a share on the worker thread, and the wait for it on the caller's thread
// (true when the query finished within the bound). The saver window lets input through while
// it waits; a test may make the query slow. null restores the plain call.
typedef void (*ShareQueryFunction)(const wchar_t* root);
typedef bool (*ShareWaitFunction)(HANDLE finished, DWORD milliseconds);
void SetShareQuery(ShareQueryFunction query);
void SetShareWait(ShareWaitFunction wait);
