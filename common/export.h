// Marks the functions that both deliverables export under their plain names.
#pragma once

#ifdef _WIN32
#define TARVO_EXPORT __declspec(dllexport)
#else
#define TARVO_EXPORT __attribute__((visibility("default")))
#endif
