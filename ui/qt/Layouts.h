#pragma once

// The look of the program's panels on the Qt toolkit: their layouts and the
// names of its file types. Called once after the Qt backend is created.
void InstallKrv4QtLook();
