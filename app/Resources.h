// Resource ids of the setup program; shared by the resource script and the code.
#pragma once

// The application icon must have the lowest id: Windows shows the first icon.
#define IDI_APPLICATION_ICON 1
#define IDI_LOGO 2
#define IDR_LICENSE 100
