// The few calls of qjintp that differ between POSIX and Windows (posix/ and win32/host_os.cpp).
#pragma once

#include <cstdio>
#include <string>

// Creates and opens a new file of our own in the temporary folder, for writing; its path goes
// to strPath. Null with the system's reason on failure.
std::FILE* CreateTempFile(std::string& strPath, std::string& strReason);

// The file that swallows whatever is written to it.
const char* NullDevice();

// Loads a library and calls its DllRegisterServer entry; false with the reason when the
// library cannot be loaded or has no such entry, else true with the entry's status in nStatus.
bool CallRegisterServer(const std::string& strLibrary, long& nStatus, std::string& strReason);

// Calls pfnExpire once, on another thread or from a signal, when nSeconds have passed, unless
// StopTimer comes first. pfnExpire may only do what is safe in a signal handler.
void StartTimer(unsigned nSeconds, void (*pfnExpire)());
void StopTimer();

// While bEnd is set, SIGINT, SIGTERM and the timer end a wait for input (the read fails)
// rather than letting it go on, so that a script that never comes cannot outlast them.
void EndWaitsOnSignals(bool bEnd);

// A closed standard output or error stays unusable: a file opened later must not take its
// place, and writes to it must still fail.
void KeepClosedStreamsClosed();

// Lets the process open as many files as the system allows it, not the lower default: the
// file library keeps a copy open until it is on the disk, and commits more copies at once (with
// fewer flushes) the more descriptors it may hold. Programs that a script starts get the limit
// qjintp was started with.
void AllowManyOpenFiles();

// A reader of the output that goes away must not end the process.
void IgnoreBrokenPipes();

// Standard input and output carry bytes unchanged, as the editor protocols' frames need.
void UseBinaryStandardStreams();
