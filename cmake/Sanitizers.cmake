if(KENDRAWELL_SANITIZE AND KENDRAWELL_TSAN)
	message(FATAL_ERROR "KENDRAWELL_SANITIZE and KENDRAWELL_TSAN exclude each other")
endif()

if(KENDRAWELL_SANITIZE)
	add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
	add_link_options(-fsanitize=address,undefined)
endif()

if(KENDRAWELL_TSAN)
	add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
	add_link_options(-fsanitize=thread)
endif()
