/* Resource numbers shared by nimbrel.rc and the code; plain macros, as the resource compiler
   understands no more. */
#pragma once

/* The lowest icon number, so that the shell shows this icon for the program file. */
#define IDI_NIMBREL 1
/* The pictures, kept compressed in their own formats (RCDATA) and decoded when a window needs
   them. */
#define IDR_MAIN_BACKGROUND 101
#define IDR_SPLASH 102
#define IDR_ABOUT_LOGO 201
#define IDR_ABOUT_CLOUD 202
#define IDR_ABOUT_SUN 203
