/* Resource numbers of the program's icons and its clip; shared by the resource script and the C++
   code, so it stays plain C preprocessor text. */
#ifndef ERM_APP_RESOURCES_RESOURCE_IDS_H_
#define ERM_APP_RESOURCES_RESOURCE_IDS_H_

#define ERM_IDI_APP 1
#define ERM_IDI_TRAY0 101
#define ERM_IDI_TRAY1 102
#define ERM_IDI_GLYPH_OK 201
#define ERM_IDI_GLYPH_APPLY 202
#define ERM_IDI_GLYPH_CANCEL 203
#define ERM_IDI_GLYPH_CLOSE 204
#define ERM_IDI_GLYPH_MINIMIZE 205
#define ERM_IDI_GLYPH_SHOW 206
#define ERM_IDI_GLYPH_FOLDER 207
/* The scan animation's clip where the system has none (drawn by scripts/draw-find-folder). */
#define ERM_IDA_FIND_FOLDER 301

#endif
