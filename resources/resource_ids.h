// Resource ids shared by the .rc files and the code.
#pragma once

#define kIconLarge 107
#define kIconSmall 108
#define kTrayMenu 129
#define kMenuAutostart 32776
#define kMenuExit 32777

// The news pop-up's skin: 8-bit bitmaps.
#define kPopupBackground 130       // 250 x 200, pure red is transparent
#define kPopupBackgroundClose 131  // the same with the close spot lit
#define kPopupButton 132           // 114 x 57, left and right button
#define kPopupButtonHover 133
#define kPopupWide 134             // 228 x 56, the single wide button
#define kPopupWideHover 135
