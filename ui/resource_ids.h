/* Resource numbers shared by nimbrel.rc and the code; plain macros, as the resource compiler
   understands no more. */
#pragma once

/* The lowest icon number, so that the shell shows this icon for the program file. */
#define IDI_NIMBREL 1
#define IDB_MAIN_BACKGROUND 101
#define IDB_SPLASH 102
/* The About box's pictures, kept in their own formats (RCDATA) and decoded when shown. */
#define IDR_ABOUT_LOGO 201
#define IDR_ABOUT_CLOUD 202
#define IDR_ABOUT_SUN 203
