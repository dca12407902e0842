/* The version block's one string table, US English in code page 1252: the
   resource script writes it, and the program and the tests read it. */
#pragma once

#define QV_STRING_TABLE "040904E4"
/* The path of one value of that table, e.g. QV_STRING_VALUE("FileVersion"). */
#define QV_STRING_VALUE(name) "\\StringFileInfo\\" QV_STRING_TABLE "\\" name
