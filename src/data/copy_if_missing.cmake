if(NOT EXISTS "${DST}")
  file(COPY_FILE "${SRC}" "${DST}")
  message(STATUS "Made ${DST} from the template")
endif()
