// Identifiers in the resource libraries of the resource tests.
#pragma once

#define IDR_NAME          1    // RCDATA: the library's name, in every library
#define IDS_NAME          1    // the same name as a string, in every library
#define IDS_SECOND_ONLY   2    // only in the second library; block 1 is in all
#define IDB_SHARED        5    // third library: bits24.bmp (5 wide); first: bits32.bmp (4 wide)
#define IDI_SIZES         7    // icon of 16, 32 and 48 pixels, first library only
#define IDC_TEST_CURSOR   8    // a cursor image and its group under one id
#define IDC_GROUP_ONLY    9    // a cursor written with windres's CURSOR statement
#define IDC_NOT_SYSTEM    32649 // the test cursor again, between two system cursors' ids
// The first library's bitmaps: 4 bits; 8 bits with biClrUsed 20; 8 bits, 256 colours; 24; 32.
#define IDB_BITS4        10
#define IDB_BITS8C20     11
#define IDB_BITS8        12
#define IDB_BITS24       13
#define IDB_BITS32       14
// The DIBs of the malformed library, in the order of their data.
#define IDB_PADDING      29    // zeros, sized so that the last DIB ends the image
#define IDB_SHORT        30    // shorter than a header
#define IDB_CORE         31    // an OS/2 core header
#define IDB_HUGE         32    // 2^30 x 2^30 pixels claimed
#define IDB_TRUNCATED    33    // 128 x 128 claimed, 100 bytes of bits
#define IDB_SHORT_TABLE  34    // 8 bits, 256 colours claimed, 4 given: the image's last bytes
