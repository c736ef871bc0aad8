# Fails when FILE holds LIMIT bytes or more. Run with cmake -DFILE=... -DLIMIT=... -P.
file(SIZE "${FILE}" size)
if(size GREATER_EQUAL LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, not under ${LIMIT}")
endif()
message(STATUS "${FILE} is ${size} bytes, under ${LIMIT}")
