#pragma once
// Identifiers of the resources of Quorvel.exe; read by Quorvel.rc and by the code.

#define IDI_QUORVEL 1          // icon group; its one image is number 30001
#define IDI_QUORVEL_IMAGE 30001
#define IDR_KEYCLICK 101       // type "SOUNDS": the key-click WAV
#define IDR_ABOUT_PICTURE 201  // type "PICTURES": the About window's JPEG
#define IDC_HAND_LINK 301      // the About window's hand cursor
