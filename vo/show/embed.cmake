# Writes OUT: a C++ file holding the text of IN as BuiltInShowText.
file(READ ${IN} text)
file(WRITE ${OUT} "// Made from ${IN} by the build.\nextern const char* const BuiltInShowText;\nconst char* const BuiltInShowText = R\"show(${text})show\";\n")
