<?xml version="1.0" encoding="UTF-8"?>
<!-- Round card: the round's header, one table per nine holes with lengths,
     par, stroke index, strokes and points, then the totals. A hole's puts
     element is always empty, so the card has no putts row; the round's
     putts stand in the statistics. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>

<xsl:template match="/course">
<html>
<head><title><xsl:value-of select="title"/></title>
<!-- A header value keeps a gap before the caption that follows it. -->
<style type="text/css">td.v { padding-right: 24px; }</style>
</head>
<body bgcolor="#FFFFFF">
<h2><xsl:value-of select="name"/></h2>
<table cellspacing="0" cellpadding="2">
<tr><td><b>Title:</b></td><td class="v"><xsl:value-of select="title"/></td>
    <td><b>Date:</b></td><td class="v"><xsl:value-of select="datum"/></td></tr>
<tr><td><b>Player:</b></td><td class="v"><xsl:value-of select="player"/></td>
    <td><b>Handicap:</b></td><td class="v"><xsl:value-of select="hcp"/></td></tr>
<tr><td><b>Marker:</b></td><td class="v"><xsl:value-of select="marker"/></td>
    <td><b>Bag:</b></td><td class="v"><xsl:value-of select="bag"/></td></tr>
<tr><td><b>Tee:</b></td><td class="v"><xsl:value-of select="tee"/></td>
    <td><b>Holes:</b></td><td class="v"><xsl:value-of select="holecount"/></td></tr>
</table>
<br/>
<xsl:apply-templates select="holes-a"/>
<xsl:apply-templates select="holes-b"/>
<xsl:apply-templates select="totals"/>
<br/>
<table border="1" cellspacing="0" cellpadding="3">
<tr bgcolor="#E8F5E9"><th>Fairways</th><th>Greens</th><th>Putts</th><th>Bunker hits</th></tr>
<tr>
<td align="center"><xsl:value-of select="fir"/></td>
<td align="center"><xsl:value-of select="gir"/></td>
<td align="center"><xsl:value-of select="puts"/></td>
<td align="center"><xsl:value-of select="bir"/></td>
</tr>
</table>
</body>
</html>
</xsl:template>

<xsl:template match="holes-a|holes-b">
<xsl:variable name="last" select="self::holes-b"/>
<table border="1" cellspacing="0" cellpadding="3" width="100%">
<tr bgcolor="#2E7D32">
<th><font color="#FFFFFF">Hole</font></th>
<xsl:for-each select="hole"><th><font color="#FFFFFF"><xsl:value-of select="@number"/></font></th></xsl:for-each>
<th><font color="#FFFFFF"><xsl:choose><xsl:when test="$last">In</xsl:when><xsl:when test="/course/holecount = 9">Tot</xsl:when><xsl:otherwise>Out</xsl:otherwise></xsl:choose></font></th>
<xsl:if test="$last"><th><font color="#FFFFFF">Total</font></th></xsl:if>
</tr>
<xsl:for-each select="tees/tee">
<tr>
<xsl:variable name="ink"><xsl:call-template name="ink"><xsl:with-param name="rgb" select="color"/></xsl:call-template></xsl:variable>
<td bgcolor="#{color}"><font color="{$ink}"><b><xsl:value-of select="name"/></b> (<xsl:value-of select="@nbr"/>)</font></td>
<xsl:for-each select="len"><td align="right"><xsl:value-of select="."/></td></xsl:for-each>
<td align="right"><b><xsl:value-of select="totlen"/></b></td>
<xsl:if test="$last"><td align="right"><b><xsl:value-of select="totlenboth"/></b></td></xsl:if>
</tr>
</xsl:for-each>
<tr bgcolor="#E8F5E9">
<td><b>Par</b></td>
<xsl:for-each select="hole"><td align="center"><xsl:value-of select="par"/></td></xsl:for-each>
<td align="center"><b><xsl:value-of select="details/par"/></b></td>
<xsl:if test="$last"><td align="center"><b><xsl:value-of select="/course/totals/par"/></b></td></xsl:if>
</tr>
<tr>
<td><b>Handicap</b></td>
<xsl:for-each select="hole"><td align="center"><xsl:value-of select="handicap"/></td></xsl:for-each>
<td></td>
<xsl:if test="$last"><td></td></xsl:if>
</tr>
<tr bgcolor="#FFFDE7">
<td><b>Strokes</b></td>
<xsl:for-each select="hole">
<td align="center"><xsl:choose>
<xsl:when test="changed='true'"><b><xsl:value-of select="shots"/></b></xsl:when>
<xsl:otherwise><xsl:value-of select="shots"/></xsl:otherwise>
</xsl:choose></td>
</xsl:for-each>
<td align="center"><b><xsl:value-of select="details/shots"/></b></td>
<xsl:if test="$last"><td align="center"><b><xsl:value-of select="/course/totals/shots"/></b></td></xsl:if>
</tr>
<tr>
<td><b>Points</b></td>
<xsl:for-each select="hole"><td align="center"><xsl:value-of select="points"/></td></xsl:for-each>
<td align="center"><b><xsl:value-of select="details/points"/></b></td>
<xsl:if test="$last"><td align="center"><b><xsl:value-of select="/course/totals/points"/></b></td></xsl:if>
</tr>
</table>
<br/>
</xsl:template>

<xsl:template match="totals">
<table border="1" cellspacing="0" cellpadding="3">
<tr bgcolor="#E8F5E9"><th>Length (tee 1)</th><th>Par</th><th>Strokes</th><th>Points</th><th>Playing hcp</th><th>Net</th></tr>
<tr>
<td align="center"><xsl:value-of select="totlen"/></td>
<td align="center"><xsl:value-of select="par"/></td>
<td align="center"><xsl:value-of select="shots"/></td>
<td align="center"><xsl:value-of select="points"/></td>
<td align="center"><xsl:value-of select="hcp"/></td>
<td align="center"><xsl:value-of select="net"/></td>
</tr>
</table>
</xsl:template>
<!-- Text colour on a tee colour ("RRGGBB"): white when white contrasts with
     it more than black does, by the relative luminance of the accessibility
     guidelines (either way 4.5 : 1 at least). lin holds each channel value's
     linear light, 0 to 255, in five digits of 1/10000. -->
<xsl:template name="ink">
<xsl:param name="rgb"/>
<xsl:variable name="hex" select="'0123456789ABCDEF'"/>
<xsl:variable name="c" select="translate($rgb, 'abcdef', 'ABCDEF')"/>
<xsl:variable name="r" select="16 * string-length(substring-before($hex, substring($c, 1, 1))) + string-length(substring-before($hex, substring($c, 2, 1)))"/>
<xsl:variable name="g" select="16 * string-length(substring-before($hex, substring($c, 3, 1))) + string-length(substring-before($hex, substring($c, 4, 1)))"/>
<xsl:variable name="b" select="16 * string-length(substring-before($hex, substring($c, 5, 1))) + string-length(substring-before($hex, substring($c, 6, 1)))"/>
<xsl:variable name="lin" select="'00000000030000600009000120001500018000210002400027000300003300037000400004400048000520005600060000650007000075000800008600091000970010300110001160012300130001370014400152001600016800176001850019400203002120022200232002420025200262002730028400296003070031900331003430035600369003820039500409004230043700452004670048200497005130052900545005610057800595006120063000648006660068500704007230074200762007820080200823008440086500887009080093100953009760099901022010460107001095011190114401170011950122101248012740130101329013560138401413014410147001500015290155901590016200165101683017140174601779018120184501878019120194601981020160205102086021220215902195022320227002307023460238402423024620250202542025820262302664027050274702789028310287402918029610300503050030950314003185032310327803325033720341903467035150356403613036630371203763038130386403916039680402004072041250417904233042870434204397044520450804564046210467804735047930485104910049690502905089051490521005271053330539505457055200558305647057110577605841059060597206038061050617206240063080637606445065140658406654067240679506867069390701107084071570723107305073790745407529076050768207758078350791307991080700814808228083080838808469085500863208714087960887908963090470913109216093010938709473095600964709734098230991110000'"/>
<xsl:choose>
<xsl:when test="2126 * substring($lin, 5 * $r + 1, 5) + 7152 * substring($lin, 5 * $g + 1, 5) + 722 * substring($lin, 5 * $b + 1, 5) &lt; 17912878">#FFFFFF</xsl:when>
<xsl:otherwise>#000000</xsl:otherwise>
</xsl:choose>
</xsl:template>
</xsl:stylesheet>
