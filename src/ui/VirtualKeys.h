/* Windows virtual-key codes of the keys the accelerator table names; a letter's code is its
   upper-case ASCII. Plain #defines only, so that res/quarnet.rc can include this file as well as
   portable C++ code (Windows' own VK_ names live in its headers). */
#ifndef QUARNET_UI_VIRTUALKEYS_H
#define QUARNET_UI_VIRTUALKEYS_H

#define VKEY_BACK 0x08
#define VKEY_INSERT 0x2D
#define VKEY_DELETE 0x2E
#define VKEY_C 0x43
#define VKEY_N 0x4E
#define VKEY_O 0x4F
#define VKEY_P 0x50
#define VKEY_S 0x53
#define VKEY_V 0x56
#define VKEY_X 0x58
#define VKEY_Z 0x5A
#define VKEY_F1 0x70
#define VKEY_F6 0x75

#endif
