#pragma once

// Shows a percentage on the program's task bar entry where the desktop supports it (task
// managers that follow the launcher entry signal on the session bus); -1 takes it away.
// Without a session bus in the environment nothing happens.
void showTaskBarProgress(int percent);
