# Debian ships llhttp only as C sources (package node-llhttp); build them into a small static library.
find_path(LLHTTP_INCLUDE_DIR llhttp.h PATHS /usr/share/include/llhttp /usr/include/llhttp)
find_path(LLHTTP_SOURCE_DIR llhttp.c PATHS /usr/share/llhttp)

if(NOT LLHTTP_INCLUDE_DIR OR NOT LLHTTP_SOURCE_DIR)
	message(FATAL_ERROR "llhttp sources not found: install the Debian package node-llhttp (llhttp.h, llhttp.c, api.c, http.c)")
endif()
foreach(file llhttp.c api.c http.c)
	if(NOT EXISTS ${LLHTTP_SOURCE_DIR}/${file})
		message(FATAL_ERROR "llhttp source ${LLHTTP_SOURCE_DIR}/${file} is missing: reinstall node-llhttp")
	endif()
endforeach()

add_library(llhttp STATIC ${LLHTTP_SOURCE_DIR}/llhttp.c ${LLHTTP_SOURCE_DIR}/api.c ${LLHTTP_SOURCE_DIR}/http.c)
target_include_directories(llhttp SYSTEM PUBLIC ${LLHTTP_INCLUDE_DIR})
set_target_properties(llhttp PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_compile_options(llhttp PRIVATE -w)
