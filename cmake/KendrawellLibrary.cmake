# Every area of src/ is one library. Start-up routines register themselves at program load from
# translation units that nothing references, and a plain static library would lose them at link
# time. Each area therefore comes as two targets:
#   <Name>Library  the library with the code;
#   <Name>         an interface target that keeps all of it in whatever links it.
# Other areas, programs and tests link <Name> only.
#
# The program links static libraries as whole archives. With KENDRAWELL_SHARED_LIBRARIES (the
# default of a build with tests) each area is a shared library instead, kept by --no-as-needed
# even where no symbol of it is used: dozens of test programs then link in a moment instead of
# each copying every archive whole.
#
# INCLUDES names the include folders the area offers its users; by default its own folder.
function(kendrawell_add_library name)
	cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;INCLUDES" ${ARGN})
	if(NOT ARG_INCLUDES)
		set(ARG_INCLUDES ${CMAKE_CURRENT_SOURCE_DIR})
	endif()

	add_library(${name} INTERFACE)
	if(KENDRAWELL_SHARED_LIBRARIES)
		add_library(${name}Library SHARED ${ARG_SOURCES})
		set_target_properties(${name}Library PROPERTIES OUTPUT_NAME Kendrawell${name})
		target_link_libraries(${name} INTERFACE ${name}Library)
		target_link_options(${name} INTERFACE "LINKER:--no-as-needed")
	else()
		add_library(${name}Library STATIC ${ARG_SOURCES})
		target_link_libraries(${name} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}Library>")
	endif()
	target_include_directories(${name}Library PUBLIC ${ARG_INCLUDES})
	target_link_libraries(${name}Library PUBLIC ${ARG_DEPENDS})
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
