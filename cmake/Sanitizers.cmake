# SPDX-License-Identifier: MIT
# Sanitizer flags for the asan and tsan presets; applied to every target.
# Line tables (-g1) are all a sanitizer report needs and compile faster than
# full debug information; the debug preset has that.
if(LUMAREL_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined -g1)
  add_link_options(-fsanitize=address,undefined)
elseif(LUMAREL_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g1)
  add_link_options(-fsanitize=thread)
elseif(NOT LUMAREL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "LUMAREL_SANITIZE must be empty, 'address' or 'thread'")
endif()
