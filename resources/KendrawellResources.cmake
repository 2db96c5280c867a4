# The external resource file "Kendrawell.rcc" that the program registers at start-up: the security
# configuration ":/config.json", images, texts, the page template of the local web service and the
# compiled translations under ":/translations".

find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(KENDRAWELL_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})

# Files below resources/, with their path there as resource path.
# images/desktop/npa.ico comes from tools/make_icon.py (sizes 16 32 48).
# updatable-files/ holds the built-in copies of the files that the update server may replace.
set(KENDRAWELL_RESOURCE_FILES
	config.json
	images/kendrawell.svg
	images/signature.jp2
	images/desktop/npa.ico
	images/html_templates/kendrawell_logo_de.svg
	images/html_templates/kendrawell_logo_en.svg
	template.html
	updatable-files/supported-providers.json
	updatable-files/supported-readers.json
	updatable-files/releasenotes/de/2.6.0.txt
	updatable-files/releasenotes/de/2.6.1.txt
	updatable-files/releasenotes/de/2.6.2.txt
	updatable-files/releasenotes/de/2.6.3.txt
	updatable-files/releasenotes/de/announce.txt
	updatable-files/releasenotes/de/issues.txt
	updatable-files/releasenotes/en/2.6.0.txt
	updatable-files/releasenotes/en/2.6.1.txt
	updatable-files/releasenotes/en/2.6.2.txt
	updatable-files/releasenotes/en/2.6.3.txt
	updatable-files/releasenotes/en/announce.txt
	updatable-files/releasenotes/en/issues.txt
)

set(KENDRAWELL_TRANSLATIONS
	${KENDRAWELL_RESOURCES_DIR}/translations/kendrawell_de.ts
)


# Compiles .ts files into .qm files in OUTPUT_DIR; the list of .qm files goes to out_var.
function(kendrawell_compile_translations out_var output_dir)
	set(qm_files)
	foreach(ts_file ${ARGN})
		get_filename_component(name ${ts_file} NAME_WE)
		set(qm_file ${output_dir}/${name}.qm)
		add_custom_command(OUTPUT ${qm_file}
			COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
			COMMAND Qt6::lrelease -silent ${ts_file} -qm ${qm_file}
			DEPENDS ${ts_file} Qt6::lrelease
			VERBATIM)
		list(APPEND qm_files ${qm_file})
	endforeach()
	set(${out_var} ${qm_files} PARENT_SCOPE)
endfunction()


# Builds a binary resource file.
#   OUTPUT        the .rcc file to write
#   BASE          folder whose relative paths become the resource paths of FILES
#   FILES         files below BASE
#   TRANSLATIONS  .ts files, compiled and placed under "translations/"
function(kendrawell_add_rcc target)
	cmake_parse_arguments(ARG "" "OUTPUT;BASE" "FILES;TRANSLATIONS" ${ARGN})

	set(qm_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_translations)
	kendrawell_compile_translations(qm_files ${qm_dir} ${ARG_TRANSLATIONS})

	set(entries)
	set(inputs)
	foreach(file ${ARG_FILES})
		string(APPEND entries "\t<file alias=\"${file}\">${ARG_BASE}/${file}</file>\n")
		list(APPEND inputs ${ARG_BASE}/${file})
	endforeach()
	foreach(qm_file ${qm_files})
		get_filename_component(name ${qm_file} NAME)
		string(APPEND entries "\t<file alias=\"translations/${name}\">${qm_file}</file>\n")
		list(APPEND inputs ${qm_file})
	endforeach()

	set(qrc_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.qrc)
	file(CONFIGURE OUTPUT ${qrc_file} CONTENT "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n${entries}</qresource>\n</RCC>\n")

	get_filename_component(output_dir ${ARG_OUTPUT} DIRECTORY)
	add_custom_command(OUTPUT ${ARG_OUTPUT}
		COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
		COMMAND Qt6::rcc --binary ${qrc_file} -o ${ARG_OUTPUT}
		DEPENDS ${qrc_file} ${inputs} Qt6::rcc
		VERBATIM)
	add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()
