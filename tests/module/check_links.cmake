# Fails when the bundle's binary needs a GTK, GDK or WebKit library: the
# editor runs those in its own process, so any host can load the plug-in.
#   cmake -DLDD=<ldd> -DLIBRARY=<Oriel.so> -P check_links.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND "${LDD}" "${LIBRARY}" OUTPUT_VARIABLE needed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list the libraries of ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]*(gtk|gdk|webkit|javascriptcore)[^\n]*" found "${needed}")
if(found)
  message(FATAL_ERROR "the plug-in links GUI toolkit libraries:\n${found}")
endif()
