# Compiles an IDL file with widl into a header and a type library in the
# build tree. Wine's stdole2.tlb and oaidl.idl come from libwine-dev/libwine.
find_program(WIDL x86_64-w64-mingw32-widl REQUIRED)
set(WIDL_INCLUDE /usr/include/wine/wine/windows)
set(WIDL_LIBDIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# wendrake_widl(<idl> <name> [<define>...]): produces
# ${CMAKE_CURRENT_BINARY_DIR}/<name>.h and <name>.tlb, and an interface target
# widl_<name> that adds the include directory and the build dependency.
function(wendrake_widl idl name)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name})
  list(TRANSFORM ARGN PREPEND -D OUTPUT_VARIABLE defines)
  add_custom_command(
    OUTPUT ${out}.h ${out}.tlb
    COMMAND ${WIDL} -I ${WIDL_INCLUDE} -L ${WIDL_LIBDIR} ${defines} -h -H ${out}.h -t -T ${out}.tlb
            ${idl}
    DEPENDS ${idl}
    COMMENT "widl ${name}")
  add_custom_target(widl_${name}_gen DEPENDS ${out}.h ${out}.tlb)
  add_library(widl_${name} INTERFACE)
  target_include_directories(widl_${name} INTERFACE ${CMAKE_CURRENT_BINARY_DIR})
  add_dependencies(widl_${name} widl_${name}_gen)
  set_property(TARGET widl_${name} PROPERTY WIDL_TLB ${out}.tlb)
endfunction()
