// Resource ids of TarvoLauncher.exe.
#pragma once

#define IDI_ICON1 101
