/*
 * lumaui: the library of the configuration GUI.
 *
 * The same interface as lumainfo.h without what this library lacks: the
 * debug volume, the frame-buffer copies, the video frame rate and the
 * golden htotal (nor the registry, MMIO and CRC functions). It adds
 * opal_en_dis_port, which only this library exports.
 */
#ifndef LUMAUI_H
#define LUMAUI_H

#ifndef LUMA_UI_ONLY
#define LUMA_UI_ONLY 1
#endif
#include "lumainfo.h"

#endif /* LUMAUI_H */
