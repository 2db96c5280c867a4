# Every area of src/ is one static library. Start-up routines register themselves at program
# load from translation units that nothing references, so a plain static library would lose
# them at link time. Each area therefore comes as two targets:
#   <Name>Archive  the static library with the code,
#   <Name>         an interface target that links the archive as a whole.
# Other areas, programs and tests link <Name> only.
#
# INCLUDES names the include folders the area offers its users; by default its own folder.
function(kendrawell_add_library name)
	cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;INCLUDES" ${ARGN})
	if(NOT ARG_INCLUDES)
		set(ARG_INCLUDES ${CMAKE_CURRENT_SOURCE_DIR})
	endif()
	add_library(${name}Archive STATIC ${ARG_SOURCES})
	target_include_directories(${name}Archive PUBLIC ${ARG_INCLUDES})
	target_link_libraries(${name}Archive PUBLIC ${ARG_DEPENDS})

	add_library(${name} INTERFACE)
	target_link_libraries(${name} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}Archive>")
endfunction()

# Several libraries share one source folder, each with some of its subfolders (or files). So that
# a library sees only its own part and the libraries below it, its include folder is made here in
# the build tree, holding links to just those entries: an include of a higher layer's header
# ("pace/PaceHandler.h" from apdu/) finds no file and does not compile.
function(kendrawell_include_root out name)
	set(root ${CMAKE_BINARY_DIR}/include/${name})
	file(MAKE_DIRECTORY ${root})
	foreach(entry ${ARGN})
		file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${entry} ${root}/${entry} SYMBOLIC)
	endforeach()
	set(${out} ${root} PARENT_SCOPE)
endfunction()
