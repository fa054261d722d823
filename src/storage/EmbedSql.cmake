# Writes INPUT as a C++ raw string constant kSchemaSql into OUTPUT.
file(READ ${INPUT} PX_SQL)
file(WRITE ${OUTPUT} "#pragma once\n// Generated from schema.sql.\nnamespace px {\ninline constexpr const char* kSchemaSql = R\"PXSQL(${PX_SQL})PXSQL\";\n}\n")
