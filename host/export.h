// The three functions a study library exports; everything else stays hidden
// (the libraries are built with hidden visibility).
#pragma once

#ifdef _WIN32
#define QLX_EXPORT extern "C" __declspec(dllexport)
#else
#define QLX_EXPORT extern "C" __attribute__((visibility("default")))
#endif
