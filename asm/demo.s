; Korvanta's bundled demo: shown when no game is named, and a fixture for the
; picture unit's tests. Mapper 0, vertical mirroring, no input needed.
;
; What it shows, the same on every run:
; - a night scene of bricks, stars, checkerboards and the title "KORVANTA"
;   drawn from its own tiles, coloured through all four background palettes;
; - the background scrolling left one pixel per frame across both name
;   tables (a 512-pixel field);
; - twelve ball sprites moving in waves, sent by sprite DMA every frame;
; - a palette change in the middle of the picture: below the horizon the
;   backdrop and the brick palette switch to other colours. Sprite 0, hidden
;   behind the opaque horizon, marks the line.

; Character data (at the end of the file): pattern table 0 serves both the
; background and the sprites. Tiles are drawn as strings, one per pixel row: '.' or '0'
; is colour 0 (transparent), '1'-'3' pick the palette's colours.

; sym = the bits of plane b of one row string, leftmost pixel in bit 7.
.macro ROWVALUE sym, r, b
    sym .set 0
    .repeat 8, i
        .if .strat(r, i) >= '0' .and .strat(r, i) <= '3'
            sym .set sym | ((((.strat(r, i) - '0') >> (b)) & 1) << (7 - i))
        .endif
    .endrepeat
.endmacro

.macro PLANE b, r0, r1, r2, r3, r4, r5, r6, r7
    .local v0, v1, v2, v3, v4, v5, v6, v7
    ROWVALUE v0, r0, b
    ROWVALUE v1, r1, b
    ROWVALUE v2, r2, b
    ROWVALUE v3, r3, b
    ROWVALUE v4, r4, b
    ROWVALUE v5, r5, b
    ROWVALUE v6, r6, b
    ROWVALUE v7, r7, b
    .byte v0, v1, v2, v3, v4, v5, v6, v7
.endmacro

; A tile in the hardware layout: eight bytes of plane 0, then plane 1.
.macro TILE r0, r1, r2, r3, r4, r5, r6, r7
    PLANE 0, r0, r1, r2, r3, r4, r5, r6, r7
    PLANE 1, r0, r1, r2, r3, r4, r5, r6, r7
.endmacro

; A font letter from seven rows of '1' pixels; a drop shadow in colour 2
; is added one pixel right and down wherever the letter leaves it visible.
.macro LETTER r0, r1, r2, r3, r4, r5, r6
    .local b0, b1, b2, b3, b4, b5, b6
    ROWVALUE b0, r0, 0
    ROWVALUE b1, r1, 0
    ROWVALUE b2, r2, 0
    ROWVALUE b3, r3, 0
    ROWVALUE b4, r4, 0
    ROWVALUE b5, r5, 0
    ROWVALUE b6, r6, 0
    .byte b0, b1, b2, b3, b4, b5, b6, 0
    .byte 0, (b0 >> 1) & ~b1 & $FF, (b1 >> 1) & ~b2 & $FF, (b2 >> 1) & ~b3 & $FF
    .byte (b3 >> 1) & ~b4 & $FF, (b4 >> 1) & ~b5 & $FF, (b5 >> 1) & ~b6 & $FF, b6 >> 1
.endmacro

TILE_BLANK  = $00
TILE_BRICK  = $01
TILE_FILL1  = $02
TILE_FILL2  = $03
TILE_FILL3  = $04
TILE_STAR   = $05
TILE_SPARK  = $06
TILE_BALL   = $07
TILE_A      = $10
TILE_K      = $11
TILE_N      = $12
TILE_O      = $13
TILE_R      = $14
TILE_T      = $15
TILE_V      = $16

PPUCTRL   = $2000
PPUMASK   = $2001
PPUSTATUS = $2002
OAMADDR   = $2003
PPUSCROLL = $2005
PPUADDR   = $2006
PPUDATA   = $2007
DMCFREQ   = $4010
OAMDMA    = $4014
APUFRAME  = $4017

CTRL_NMI  = $80               ; NMI on, 8x8 sprites, pattern table 0 for all
MASK_SHOW = $1E               ; background and sprites, left column included

SPLIT_LINE   = 120            ; first picture line in the lower colours
; $2006 carries only two bits of fine Y, so the split must fall on rows 0-3
; of a tile row.
.assert (SPLIT_LINE & 7) < 4, error, "split line not reachable through $2006"
SPRITE_COUNT = 12             ; moving sprites after sprite 0

.segment "HEADER"
    .byte "NES", $1A
    .byte 2                   ; 2 x 16 KB PRG
    .byte 1                   ; 1 x 8 KB CHR
    .byte $01                 ; mapper 0, vertical mirroring: $2000 and $2400 side by side
    .byte $00
    .res 8, 0

.segment "ZEROPAGE"
frame_ready: .res 1           ; set by NMI, cleared by the main loop
frame:       .res 1
scroll_x:    .res 1           ; low 8 bits of the horizontal scroll
scroll_nt:   .res 1           ; ninth bit: which name table is on the left
split_hi:    .res 1           ; $2006 pair that resumes the scroll after the
split_lo:    .res 1           ; mid-frame palette write
even_tile:   .res 1
odd_tile:    .res 1
index:       .res 1

oam   = $0200                 ; sprite page sent by DMA, 4 bytes per sprite
pos_x = $0300                 ; X of each moving sprite

.segment "CODE"

reset:
    sei
    cld
    ldx #$FF
    txs
    inx
    stx PPUCTRL               ; no NMI until the screen is built
    stx PPUMASK
    stx DMCFREQ               ; no sample-channel IRQ
    lda #$40
    sta APUFRAME              ; no sound-frame IRQ
    bit PPUSTATUS             ; drop a vblank flag left from before the reset

    ; The picture unit needs two frames after power-on before it takes writes.
@vblank1:
    bit PPUSTATUS
    bpl @vblank1

    lda #0
@clear:
    sta $0000,x
    sta $0100,x
    sta $0300,x
    sta $0400,x
    sta $0500,x
    sta $0600,x
    sta $0700,x
    inx
    bne @clear
    ; Sprites beyond the last line are not drawn.
    lda #$FF
@hide:
    sta oam,x
    inx
    bne @hide

@vblank2:
    bit PPUSTATUS
    bpl @vblank2

    jsr load_palettes
    ldx #$20
    jsr fill_nametable
    ldx #$24
    jsr fill_nametable
    jsr draw_overlays

    ; Sprite 0 lies behind the horizon, whose pixels are all opaque, so it
    ; is invisible; its hit tells the main loop that the split line is near.
    lda #SPLIT_LINE - 1
    sta oam + 0
    lda #TILE_FILL3
    sta oam + 1
    lda #$20
    sta oam + 2
    lda #124
    sta oam + 3

    ldx #SPRITE_COUNT - 1
@place:
    lda sprite_x0,x
    sta pos_x,x
    dex
    bpl @place
    jsr move_sprites

    ; The address writes above moved the scroll; the NMI sets it each frame.
    lda #0
    sta PPUSCROLL
    sta PPUSCROLL
    lda #CTRL_NMI
    sta PPUCTRL
    lda #MASK_SHOW
    sta PPUMASK

main_loop:
@wait:
    lda frame_ready
    beq @wait
    lda #0
    sta frame_ready
    jsr split_palette
    jsr advance
    jmp main_loop

; Changes the backdrop and background palette 0 from the split line down.
split_palette:
    ; Prepare the $2006 pair that puts the scroll back. The picture unit
    ; takes the row an address names minus the current line as the new
    ; scroll Y, so naming row SPLIT_LINE on the split line keeps it at 0;
    ; coarse X and the name-table bit come from the current scroll.
    lda scroll_nt
    asl a
    asl a
    ora #((SPLIT_LINE / 8) >> 3) | ((SPLIT_LINE & 7) << 4)
    sta split_hi
    lda scroll_x
    lsr a
    lsr a
    lsr a
    ora #<((SPLIT_LINE / 8) << 5)
    sta split_lo

    ; Wait for the flag to clear (it stays set through vblank on a real
    ; console), then for the hit. The loops are tight so that the writes
    ; below all land within the split line.
@old_hit:
    bit PPUSTATUS
    bvs @old_hit
@hit:
    bit PPUSTATUS
    bvc @hit

    ; Palette writes during the picture start a new colour set for the rest
    ; of the frame; keep them few and close together. Unrolled, so that
    ; everything up to the scroll restore stays well inside one line.
    lda #$3F
    sta PPUADDR
    lda #$00
    sta PPUADDR
    lda lower_colours + 0
    sta PPUDATA
    lda lower_colours + 1
    sta PPUDATA
    lda lower_colours + 2
    sta PPUDATA
    lda lower_colours + 3
    sta PPUDATA

    ; The palette address moved the scroll; restore it before the next line.
    lda split_hi
    sta PPUADDR
    lda split_lo
    sta PPUADDR
    lda scroll_x
    sta PPUSCROLL             ; fine X, which $2006 cannot set
    rts

; One frame of motion: the scroll and the sprites for the next frame.
advance:
    inc frame
    inc scroll_x
    bne @same_table
    ; Crossing 256 pixels swaps the name tables to make a 512-pixel field.
    lda scroll_nt
    eor #1
    sta scroll_nt
@same_table:
    jmp move_sprites

; Writes the moving sprites into the DMA page, after sprite 0.
move_sprites:
    ldx #0
    ldy #4
@next:
    stx index
    lda frame
    clc
    adc sprite_phase,x
    and #63
    tax
    lda sine,x
    ldx index
    clc
    adc sprite_y0,x
    sta oam + 0,y
    lda #TILE_BALL
    sta oam + 1,y
    lda sprite_attr,x
    sta oam + 2,y
    lda pos_x,x
    clc
    adc sprite_dx,x
    sta pos_x,x
    sta oam + 3,y
    iny
    iny
    iny
    iny
    inx
    cpx #SPRITE_COUNT
    bne @next
    rts

load_palettes:
    bit PPUSTATUS
    lda #$3F
    sta PPUADDR
    lda #$00
    sta PPUADDR
    ldx #0
@copy:
    lda palettes,x
    sta PPUDATA
    inx
    cpx #32
    bne @copy
    rts

; Fills the name table whose address high byte is in X from the row table,
; with one attribute byte per band of four rows.
fill_nametable:
    bit PPUSTATUS
    stx PPUADDR
    lda #$00
    sta PPUADDR
    ldy #0
@row:
    lda row_even,y
    sta even_tile
    lda row_odd,y
    sta odd_tile
    ldx #16
@pair:
    lda even_tile
    sta PPUDATA
    lda odd_tile
    sta PPUDATA
    dex
    bne @pair
    iny
    cpy #30
    bne @row
    ldy #0
@band:
    lda attribute_bands,y
    ldx #8
@attr:
    sta PPUDATA
    dex
    bne @attr
    iny
    cpy #8
    bne @band
    rts

; Copies the overlay list (address, count, tiles; ends at a zero) over the
; filled name tables.
draw_overlays:
    bit PPUSTATUS
    ldx #0
@next:
    lda overlays,x
    beq @done
    sta PPUADDR
    inx
    lda overlays,x
    sta PPUADDR
    inx
    ldy overlays,x
    inx
@tile:
    lda overlays,x
    sta PPUDATA
    inx
    dey
    bne @tile
    beq @next
@done:
    rts

nmi:
    pha
    txa
    pha
    tya
    pha

    lda #0
    sta OAMADDR
    lda #>oam
    sta OAMDMA

    ; The frame starts with the colours the split left behind; put the
    ; upper ones back while the picture has not started.
    bit PPUSTATUS
    lda #$3F
    sta PPUADDR
    lda #$00
    sta PPUADDR
    ldx #0
@colour:
    lda palettes,x
    sta PPUDATA
    inx
    cpx #4
    bne @colour

    ; Scroll last: the address writes above changed it.
    lda scroll_nt
    ora #CTRL_NMI
    sta PPUCTRL
    lda scroll_x
    sta PPUSCROLL
    lda #0
    sta PPUSCROLL

    lda #1
    sta frame_ready
    pla
    tay
    pla
    tax
    pla
irq:
    rti

.segment "RODATA"

palettes:
    .byte $01, $16, $07, $37  ; bricks and stars
    .byte $01, $38, $06, $30  ; title
    .byte $01, $1A, $2A, $30  ; upper checkerboard
    .byte $01, $13, $23, $2C  ; horizon and lower checkerboard
    .byte $01, $27, $07, $30  ; sprites: orange, blue, green, pink balls
    .byte $01, $21, $01, $30
    .byte $01, $2A, $0A, $30
    .byte $01, $25, $05, $30

lower_colours:
    .byte $09, $10, $00, $30  ; dark green backdrop, grey bricks

; Tile of the even and odd columns of each of the 30 rows: bricks at the top,
; sky (stars and title drawn over it later), a checkerboard, the horizon,
; then the same again in the lower colours.
SKY = TILE_BLANK
row_even:
    .byte TILE_BRICK, TILE_BRICK, SKY, SKY, SKY, SKY, SKY, SKY, SKY, SKY
    .byte TILE_FILL1, TILE_FILL2, TILE_FILL1, TILE_FILL2, SKY, TILE_FILL3
    .byte TILE_BRICK, TILE_BRICK, TILE_BRICK, TILE_BRICK, SKY, SKY, SKY, SKY
    .byte TILE_FILL1, TILE_FILL2, TILE_FILL1, TILE_FILL2, TILE_BRICK, TILE_BRICK
row_odd:
    .byte TILE_BRICK, TILE_BRICK, SKY, SKY, SKY, SKY, SKY, SKY, SKY, SKY
    .byte TILE_FILL2, TILE_FILL1, TILE_FILL2, TILE_FILL1, SKY, TILE_FILL3
    .byte TILE_BRICK, TILE_BRICK, TILE_BRICK, TILE_BRICK, SKY, SKY, SKY, SKY
    .byte TILE_FILL2, TILE_FILL1, TILE_FILL2, TILE_FILL1, TILE_BRICK, TILE_BRICK

; Palette of the upper and lower half of each band of four rows.
.define BAND(upper, lower) (upper) | ((upper) << 2) | ((lower) << 4) | ((lower) << 6)
attribute_bands:
    .byte BAND(0, 0), BAND(0, 1), BAND(1, 2), BAND(2, 3)
    .byte BAND(0, 0), BAND(0, 1), BAND(3, 3), BAND(0, 0)

.charmap 'A', TILE_A
.charmap 'K', TILE_K
.charmap 'N', TILE_N
.charmap 'O', TILE_O
.charmap 'R', TILE_R
.charmap 'T', TILE_T
.charmap 'V', TILE_V

.define CELL(table, row, column) $2000 + (table) * $400 + (row) * 32 + (column)
.macro TITLE table, row, column
    .dbyt CELL table, row, column
    .byte 8, "KORVANTA"
.endmacro
.macro PUT table, row, column, tile
    .dbyt CELL table, row, column
    .byte 1, tile
.endmacro

overlays:
    TITLE 0, 7, 12
    TITLE 1, 7, 22
    TITLE 0, 22, 3
    TITLE 1, 22, 15
    PUT 0, 3, 2, TILE_STAR
    PUT 0, 4, 9, TILE_SPARK
    PUT 0, 3, 17, TILE_SPARK
    PUT 0, 5, 25, TILE_STAR
    PUT 0, 4, 29, TILE_SPARK
    PUT 0, 20, 6, TILE_STAR
    PUT 0, 21, 13, TILE_SPARK
    PUT 0, 20, 27, TILE_SPARK
    PUT 1, 3, 5, TILE_SPARK
    PUT 1, 5, 11, TILE_STAR
    PUT 1, 4, 20, TILE_SPARK
    PUT 1, 3, 27, TILE_STAR
    PUT 1, 21, 2, TILE_SPARK
    PUT 1, 20, 10, TILE_STAR
    PUT 1, 21, 24, TILE_STAR
    .byte 0

; Eight balls in a wave above the horizon moving right, four below moving
; left at twice the speed.
sprite_y0:
    .byte 24, 24, 24, 24, 24, 24, 24, 24, 140, 140, 140, 140
sprite_phase:
    .byte 0, 8, 16, 24, 32, 40, 48, 56, 0, 16, 32, 48
sprite_x0:
    .byte 8, 36, 64, 92, 120, 148, 176, 204, 0, 64, 128, 192
sprite_dx:
    .byte 1, 1, 1, 1, 1, 1, 1, 1, $FE, $FE, $FE, $FE
sprite_attr:
    .byte 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3

; 32 + 32 sin(2 pi i / 64)
sine:
    .byte 32, 35, 38, 41, 44, 47, 50, 52, 55, 57, 59, 60, 62, 63, 63, 64
    .byte 64, 64, 63, 63, 62, 60, 59, 57, 55, 52, 50, 47, 44, 41, 38, 35
    .byte 32, 29, 26, 23, 20, 17, 14, 12, 9, 7, 5, 4, 2, 1, 1, 0
    .byte 0, 0, 1, 1, 2, 4, 5, 7, 9, 12, 14, 17, 20, 23, 26, 29

.segment "VECTORS"
    .addr nmi, reset, irq

.segment "CHARS"
    ; $00 blank
    TILE "........", "........", "........", "........", "........", "........", "........", "........"
    ; $01 brick: face 1, mortar 2, lit top edge 3; the lower course is offset
    TILE "22222222", "33323333", "11121111", "11121111", "22222222", "33333332", "11111112", "11111112"
    ; $02-$04 solid colours 1, 2 and 3 (checkerboard, horizon, sprite 0)
    TILE "11111111", "11111111", "11111111", "11111111", "11111111", "11111111", "11111111", "11111111"
    TILE "22222222", "22222222", "22222222", "22222222", "22222222", "22222222", "22222222", "22222222"
    TILE "33333333", "33333333", "33333333", "33333333", "33333333", "33333333", "33333333", "33333333"
    ; $05 star, $06 small spark
    TILE "........", "...3....", "...3....", ".33333..", "...3....", "...3....", "........", "........"
    TILE "........", "........", "........", "....3...", "........", "........", "........", "........"
    ; $07 ball sprite: outline 2, body 1, highlight 3
    TILE "..2222..", ".213112.", "21311112", "21111112", "21111112", "21111112", ".211112.", "..2222.."
    .res 8 * 16, 0
    ; $10-$16 the letters of the title
    LETTER "..111...", ".11.11..", "11...11.", "11...11.", "1111111.", "11...11.", "11...11."  ; A
    LETTER "11...11.", "11..11..", "11.11...", "1111....", "11.11...", "11..11..", "11...11."  ; K
    LETTER "11...11.", "111..11.", "1111.11.", "11.1111.", "11..111.", "11...11.", "11...11."  ; N
    LETTER ".11111..", "11...11.", "11...11.", "11...11.", "11...11.", "11...11.", ".11111.."  ; O
    LETTER "111111..", "11...11.", "11...11.", "111111..", "11.11...", "11..11..", "11...11."  ; R
    LETTER "1111111.", "..111...", "..111...", "..111...", "..111...", "..111...", "..111..."  ; T
    LETTER "11...11.", "11...11.", "11...11.", "11...11.", ".11.11..", "..111...", "...1...."  ; V
