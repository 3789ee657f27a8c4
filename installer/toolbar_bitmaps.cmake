# The automation plug-in's toolbar bitmaps, drawn from the main library's
# button glyphs (ui/res, magenta is their transparent colour) on the button
# face colour. Sets ORV_TOOLBAR_BITMAP_NAMES and ORV_TOOLBAR_BITMAPS.
find_program(ORV_CONVERT convert REQUIRED)

set(_glyphs ${CMAKE_SOURCE_DIR}/ui/res)
file(GLOB _glyph_files ${_glyphs}/*.bmp)
set(_face "#C0C0C0")
# A padlock: shackle, body, keyhole; the open one has its shackle lifted aside.
set(_lock -fill none -stroke black -strokewidth 2 -draw "roundrectangle 6,2 13,12 3,3"
          -fill "#D4A017" -stroke black -strokewidth 1 -draw "rectangle 4,9 15,18"
          -fill black -stroke none -draw "rectangle 9,12 10,15")
set(_open_lock -fill none -stroke black -strokewidth 2 -draw "roundrectangle 1,0 8,10 3,3"
               -fill "#D4A017" -stroke black -strokewidth 1 -draw "rectangle 5,9 16,18"
               -fill black -stroke none -draw "rectangle 10,12 11,15")
set(ORV_TOOLBAR_BITMAP_NAMES)
set(ORV_TOOLBAR_BITMAPS)
# One bitmap: drawing commands (DRAW), a glyph over the whole face (GLYPH)
# and a small one in the lower right corner (BADGE).
function(_orv_toolbar_bitmap name)
  cmake_parse_arguments(B "" "GLYPH;BADGE" "DRAW" ${ARGN})
  set(args ${B_DRAW})
  if(B_GLYPH)
    list(APPEND args "(" ${_glyphs}/${B_GLYPH} -transparent magenta ")" -composite)
  endif()
  if(B_BADGE)
    list(APPEND args "(" ${_glyphs}/${B_BADGE} -transparent magenta -resize 11x11 ")"
                     -gravity southeast -composite -gravity northwest)
  endif()
  set(out ${ORV_BIN_DIR}/${name})
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${ORV_CONVERT} -size 20x20 "xc:${_face}" ${args} -type TrueColor BMP3:${out}
    DEPENDS ${CMAKE_CURRENT_LIST_FILE} ${_glyph_files}
    COMMENT "Drawing the toolbar bitmap ${name}"
    VERBATIM)
  set(ORV_TOOLBAR_BITMAP_NAMES ${ORV_TOOLBAR_BITMAP_NAMES} ${name} PARENT_SCOPE)
  set(ORV_TOOLBAR_BITMAPS ${ORV_TOOLBAR_BITMAPS} ${out} PARENT_SCOPE)
endfunction()

# The AutoList: a page of lines.
_orv_toolbar_bitmap(EditList.bmp DRAW -fill white -stroke black -draw "rectangle 4,2 15,17"
                    -stroke "#000080" -draw "line 6,6 13,6" -draw "line 6,9 13,9" -draw "line 6,12 13,12"
                    -draw "line 6,15 11,15")
_orv_toolbar_bitmap(WipePass.bmp GLYPH key.bmp BADGE del.bmp)
_orv_toolbar_bitmap(EncOnly.bmp DRAW ${_lock})
_orv_toolbar_bitmap(SignOnly.bmp GLYPH ok.bmp)
_orv_toolbar_bitmap(EncSign.bmp DRAW ${_lock} BADGE ok.bmp)
_orv_toolbar_bitmap(Decrypt.bmp DRAW ${_open_lock})
_orv_toolbar_bitmap(VerSig.bmp GLYPH ok.bmp BADGE find.bmp)
_orv_toolbar_bitmap(ManKey.bmp GLYPH key.bmp)
_orv_toolbar_bitmap(PGPkeys.bmp GLYPH manage.bmp)
