# Every area of src/ is one static library. Start-up routines register themselves at program
# load from translation units that nothing references, so a plain static library would lose
# them at link time. Each area therefore comes as two targets:
#   <Name>Archive  the static library with the code,
#   <Name>         an interface target that links the archive as a whole.
# Other areas, programs and tests link <Name> only.
function(kendrawell_add_library name)
	cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
	add_library(${name}Archive STATIC ${ARG_SOURCES})
	target_include_directories(${name}Archive PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
	target_link_libraries(${name}Archive PUBLIC ${ARG_DEPENDS})

	add_library(${name} INTERFACE)
	target_link_libraries(${name} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}Archive>")
endfunction()
