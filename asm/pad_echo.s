; Shows pad 1 as the backdrop colour: blue while no button is held, red
; while A is held, green for any other button. The desktop program's key
; test presses keys into the window and reads the colour back.

.segment "HEADER"
    .byte "NES", $1A, 2, 1, $00, $00
    .res 8, 0

.segment "ZEROPAGE"
buttons: .res 1

.segment "CODE"
reset:
    sei
    ldx #$FF
    txs
    lda #0
    sta $2000
    sta $2001
wait1:
    lda $2002
    bpl wait1
wait2:
    lda $2002
    bpl wait2
    lda #$80            ; NMI on; nothing drawn but the backdrop
    sta $2000
loop:
    jmp loop

nmi:
    ; Strobe, then read the eight buttons, A first.
    lda #1
    sta $4016
    lda #0
    sta $4016
    sta buttons
    ldx #8
read:
    lda $4016
    lsr a
    rol buttons
    dex
    bne read
    lda #$3F
    sta $2006
    lda #$00
    sta $2006
    ldx #$12            ; blue: nothing held
    lda buttons
    beq store
    ldx #$16            ; red: A held
    and #$80
    bne store
    ldx #$1A            ; green: another button
store:
    stx $2007
    lda #0
    sta $2005
    sta $2005
    rti

irq:
    rti

.segment "VECTORS"
    .word nmi, reset, irq
