# Fails when a core target links Qt, directly or through another target. The list of each
# core target's link libraries, resolved at configure time, is in CORE_LINKS.
file(READ "${CORE_LINKS}" links)
string(REGEX MATCHALL "[^\n]*Qt6?::[^\n]*" offenders "${links}")
if(offenders)
    string(REPLACE ";" "\n" offenders "${offenders}")
    message(FATAL_ERROR "core targets that link Qt:\n${offenders}")
endif()
message(STATUS "no core target links Qt")
