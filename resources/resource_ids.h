// Resource ids shared by the .rc files and the code.
#pragma once

#define kIconLarge 107
#define kIconSmall 108
#define kTrayMenu 129
#define kMenuAutostart 32776
#define kMenuExit 32777
