; The sound unit's test program (mapper 0). It plays a script of steps, each
; a list of register writes followed by a number of frames to hold them:
; steady tones on each square, the triangle, the noise (long and short) and
; a looping sample, a sweep, two length-counter runs, and the frame-counter
; interrupt switched on and off. The tests read the step number at $0300 to
; find each step in the recorded sound, and the interrupt count at $0301.

.segment "HEADER"
    .byte "NES", $1A
    .byte 2                 ; 32 KB PRG
    .byte 1                 ; 8 KB CHR
    .byte $00, $00
    .res 8, 0

STEP = $0300                ; number of the step now playing
IRQS = $0301                ; frame interrupts taken

.segment "ZEROPAGE"
ptr:    .res 2
hold:   .res 1
writes: .res 1
frames: .res 1

.segment "CODE"
    ; The sample channel reads from $C000 up.
    .res $4000, $FF

; A looping sample: level up 8 bits, down 16, up 8: one cycle per 4 bytes.
sample:
    .repeat 4
    .byte $FF, $00, $00, $FF
    .endrepeat

reset:
    sei
    cld
    ldx #$FF
    txs
    lda #0
    sta $2000
    sta $2001
    sta STEP
    sta IRQS
    sta frames
    lda #<script
    sta ptr
    lda #>script
    sta ptr+1
    lda #$80
    sta $2000               ; an NMI every frame
    cli

next_step:
    ldy #0
    lda (ptr),y             ; frames to hold; 0 ends the script
    beq finished
    sta hold
    iny
    lda (ptr),y
    sta writes
write_loop:
    iny
    lda (ptr),y             ; register, as an offset from $4000
    tax
    iny
    lda (ptr),y
    sta $4000,x
    dec writes
    bne write_loop
    iny
    tya
    clc
    adc ptr
    sta ptr
    bcc :+
    inc ptr+1
:   inc STEP
    lda #0
    sta frames
wait_frames:
    lda frames
    cmp hold
    bcc wait_frames
    jmp next_step

finished:
    jmp finished

nmi:
    inc frames
    rti

irq:
    pha
    lda $4015               ; acknowledges the frame interrupt
    inc IRQS
    pla
    rti

; frames, number of writes, then (register, value) pairs.
script:
    ; 1: square 1, duty 2, fixed volume 15, length halted, period 253
    .byte 30, 6,  $15,$0F, $17,$40, $00,$BF, $01,$08, $02,$FD, $03,$00
    ; 2: square 2, period 380
    .byte 30, 6,  $15,$00, $15,$0F, $04,$BF, $05,$08, $06,$7C, $07,$01
    ; 3: triangle held by its control bit, period 200 (played as 400)
    .byte 30, 5,  $15,$00, $15,$0F, $08,$FF, $0A,$C8, $0B,$00
    ; 4: noise, long mode, period index 4
    .byte 20, 5,  $15,$00, $15,$0F, $0C,$3F, $0E,$04, $0F,$08
    ; 5: noise, short mode
    .byte 20, 1,  $0E,$84
    ; 6: the looping sample at $C000, 16 bytes, fastest rate
    .byte 30, 5,  $15,$00, $10,$4F, $12,$00, $13,$01, $15,$10
    ; 7: square 1 from period 100, sweeping up 56 every 3 half-frames
    .byte 30, 6,  $15,$00, $15,$01, $00,$BF, $01,$A1, $02,$64, $03,$00
    ; 8: square 2 counting down length index 0 (12 half-frames)
    .byte 10, 6,  $15,$00, $15,$02, $04,$9F, $05,$08, $06,$FD, $07,$00
    ; 9: again with length index 9 (a computed entry: 9 half-frames)
    .byte 10, 3,  $15,$00, $15,$02, $07,$48
    ; 10: frame-counter interrupt on
    .byte 20, 2,  $15,$00, $17,$00
    ; 11: and off
    .byte 5, 1,   $17,$40
    .byte 0

.segment "VECTORS"
    .word nmi, reset, irq
