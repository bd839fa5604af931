// Starting another program by its file name, and telling the program that started
// us when we first wait for input.
#pragma once
#include <string>

namespace plat {

// Starts a program detached. A name "X.EXE" (any case) runs the program file "X" of
// that folder, whose name is matched without case. Returns a value above 31 once the
// new program first waits for input (InputIdle), or after at most timeoutMs; 2 when
// the program file is missing, 11 when it cannot be run.
unsigned WinExec(const std::string& path, int show, int timeoutMs = 10000);

// Tells the starter (if any) that we wait for input now; later calls do nothing.
void InputIdle();

}  // namespace plat
