#pragma once

#include "runtime/Object.h"

#include <windows.h>

#include <functional>

using TWndMethod = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// A hidden utility window (for thread hand-offs, timers) whose procedure calls `method` inside the
// framework's exception guard: an error escaping `method` goes to Application->HandleException(sender).
// The class is registered on first use; a class of that name registered with another procedure is
// registered again. `method` answers every message; DefWindowProcW is its usual fallback.
HWND AllocateHWnd(const char* className, TObject* sender, TWndMethod method);
void DeallocateHWnd(HWND window);
